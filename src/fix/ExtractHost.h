#pragma once

#include <string>
#include <string_view>

namespace resolvo::fix {

// The host part of a typed web address, or "" when it holds no usable host.
std::string ExtractHost(std::string_view address) noexcept;

}  // namespace resolvo::fix
