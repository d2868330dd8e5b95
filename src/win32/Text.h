#pragma once

#include <string>
#include <string_view>

namespace resolvo::win32 {

// The program keeps text in UTF-8 and talks to Windows in UTF-16.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace resolvo::win32
