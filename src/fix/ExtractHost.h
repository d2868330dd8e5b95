#pragma once

#include <string>
#include <string_view>

namespace resolvo::fix {

// The host part of a typed web address, or "" when it holds no usable host.
std::string ExtractHost(std::string_view address) noexcept;

// Whether a host that ExtractHost gave is an IP address: four decimal
// numbers of 0 to 255 separated by dots, or an IPv6 address (typed in
// brackets, given without them).
bool IsIpLiteral(std::string_view host) noexcept;

// The typed address as a web address for the default browser: with
// "http://" in front where it has no scheme, and "" where its scheme is
// anything but http or https (file:, javascript:, a drive letter), which is
// never handed on.
std::string BrowsableAddress(std::string_view address);

}  // namespace resolvo::fix
