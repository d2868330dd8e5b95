// The program's own folders and windows.
#include "win32/Win32Platform.h"

#include <windows.h>

#include "port/Failure.h"
#include "win32/LastError.h"
#include "win32/Text.h"

namespace resolvo::win32 {

namespace {

std::string FolderOf(std::wstring path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) {
        return {};
    }
    // A drive's root keeps its backslash: "C:\".
    const bool driveRoot = slash == 2 && path[1] == L':';
    path.resize(driveRoot ? slash + 1 : slash);
    return Narrow(path);
}

}  // namespace

std::string Win32Platform::WindowsDirectory() {
    // The shared Windows folder, not a per-user one under Terminal Services.
    return QueryFolder(::GetSystemWindowsDirectoryW, "GetSystemWindowsDirectory");
}

std::string Win32Platform::ApplicationFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            RaiseLastError("GetModuleFileName", {});
        }
        if (length < path.size()) {
            path.resize(length);
            return FolderOf(path);
        }
        path.resize(path.size() * 2);
    }
}

void Win32Platform::ActivateWindow(WindowId window) {
    const HWND handle = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window));
    if (!::IsWindow(handle) || !::IsWindowVisible(handle)) {
        throw Failure("ActivateWindow", {}, error_code::InvalidWindowHandle);
    }
    if (::IsIconic(handle)) {
        ::ShowWindow(handle, SW_RESTORE);
    }
    // Windows may refuse the foreground to a program the user has left; the
    // taskbar button then flashes instead, which is all that can be done.
    if (!::SetForegroundWindow(handle)) {
        FLASHWINFO flash{sizeof flash, handle, FLASHW_ALL | FLASHW_TIMERNOFG, 0, 0};
        ::FlashWindowEx(&flash);
    }
}

}  // namespace resolvo::win32
