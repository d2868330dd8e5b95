#include "fix/MainModule.h"
// PLACEHOLDER: being written.
namespace resolvo {
std::string ExtractHost(std::string_view) noexcept { return {}; }
}  // namespace resolvo
