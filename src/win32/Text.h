#pragma once

#include <string>
#include <string_view>

namespace resolvo::win32 {

// The program keeps text in UTF-8 and talks to Windows in UTF-16. Text that
// cannot be converted raises a Failure.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace resolvo::win32
