#pragma once

#include <windows.h>

#include <string>

namespace resolvo::win32 {

// Has the desktop's shell (Explorer, running as the desktop user with his
// own rights) start a program or open a document or address, as the Start
// menu would. Returns the failure where there is no desktop shell to ask.
HRESULT ShellExecuteAsDesktopUser(const std::wstring& file, const std::wstring& parameters) noexcept;

}  // namespace resolvo::win32
