// The program's own folders and windows.
#include "win32/Win32Platform.h"

#include <windows.h>

#include <sddl.h>

#include "port/Failure.h"
#include "port/Paths.h"
#include "win32/Handles.h"
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

// Full control for the Administrators group and SYSTEM, and nothing for
// anybody else; "P" keeps the Temp folder's own entries (under which users
// may create files) from being inherited, "OICI" passes both entries on to
// what is made inside. The owner is the Administrators group, not a user who
// could otherwise change these entries.
constexpr const wchar_t* AdministratorsOnly = L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";

using UniqueSecurityDescriptor = UniqueHandle<PSECURITY_DESCRIPTOR, &::LocalFree>;

UniqueSecurityDescriptor AdministratorsOnlyDescriptor() {
    UniqueSecurityDescriptor descriptor;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(AdministratorsOnly, SDDL_REVISION_1,
                                                                descriptor.Put(), nullptr)) {
        RaiseLastError("ConvertStringSecurityDescriptorToSecurityDescriptor", {});
    }
    return descriptor;
}

}  // namespace

// In the Windows folder's Temp folder, whatever the user's TEMP says: his
// own temporary folder is his to change. Users may create folders in the
// shared one too, so the name must be one that nobody had taken: an existing
// folder is never used.
std::string Win32Platform::CreateAdministratorsFolder() {
    const UniqueSecurityDescriptor descriptor = AdministratorsOnlyDescriptor();
    SECURITY_ATTRIBUTES security{sizeof security, descriptor.Get(), FALSE};
    const std::string temp = JoinPath(WindowsDirectory(), "Temp");
    const std::string run = "resolvo." + std::to_string(::GetCurrentProcessId()) + "-";
    for (int attempt = 1;; ++attempt) {
        const std::string folder = JoinPath(temp, run + std::to_string(attempt));
        if (::CreateDirectoryW(Widen(folder).c_str(), &security)) {
            return folder;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS || attempt == 100) {
            RaiseLastError("CreateDirectory", folder);
        }
    }
}

void Win32Platform::RemoveFolder(const std::string& path) {
    if (!::RemoveDirectoryW(Widen(path).c_str())) {
        RaiseLastError("RemoveDirectory", path);
    }
}

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
