// The program's own folders and windows.
#include "win32/Win32Platform.h"

#include <windows.h>

#include <aclapi.h>
#include <ntsecapi.h>
#include <sddl.h>

#include <string_view>

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

// The folders' names: the prefix and 128 bits from the system's random
// source, in hexadecimal.
constexpr std::string_view FolderPrefix = "resolvo.";
constexpr std::size_t RandomBytes = 16;
constexpr int FolderAttempts = 16;

std::string RandomFolderName() {
    unsigned char random[RandomBytes];
    // RtlGenRandom, which advapi32 exports as SystemFunction036 from Windows XP on.
    if (!::RtlGenRandom(random, sizeof random)) {
        throw Failure("RtlGenRandom", {}, ERROR_GEN_FAILURE);
    }
    constexpr char Digits[] = "0123456789abcdef";
    std::string name(FolderPrefix);
    for (const unsigned char byte : random) {
        name += Digits[byte >> 4];
        name += Digits[byte & 0xF];
    }
    return name;
}

bool IsFolderName(std::string_view name) {
    return name.size() == FolderPrefix.size() + 2 * RandomBytes && name.starts_with(FolderPrefix) &&
           name.find_first_not_of("0123456789abcdef", FolderPrefix.size()) == std::string_view::npos;
}

// The folder itself is opened, not what a junction or link of that name
// leads to, and its owner read through that handle. Users cannot rename
// or delete a folder the Administrators group owns in the Temp folder, so
// it is still the one checked when its files are removed.
bool IsAdministratorsFolder(const std::string& path) noexcept {
    const UniqueFileHandle folder(::CreateFileW(Widen(path).c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                OPEN_EXISTING,
                                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION information{};
    if (!folder || !::GetFileInformationByHandle(folder.Get(), &information) ||
        (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) !=
            FILE_ATTRIBUTE_DIRECTORY) {
        return false;
    }
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(folder.Get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                          nullptr, &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    const UniqueSecurityDescriptor ownerDescriptor(descriptor);
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof administrators;
    return ::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size) &&
           ::EqualSid(owner, administrators);
}

}  // namespace

// In the Windows folder's Temp folder, whatever the user's TEMP says: his
// own temporary folder is his to change. Users may create folders in the
// shared one too, so the name is one that nobody can guess, and an existing
// folder is never used: another random name is tried.
std::string Win32Platform::CreateAdministratorsFolder() {
    const UniqueSecurityDescriptor descriptor = AdministratorsOnlyDescriptor();
    SECURITY_ATTRIBUTES security{sizeof security, descriptor.Get(), FALSE};
    const std::string temp = JoinPath(WindowsDirectory(), "Temp");
    for (int attempt = 1;; ++attempt) {
        const std::string folder = JoinPath(temp, RandomFolderName());
        if (::CreateDirectoryW(Widen(folder).c_str(), &security)) {
            return folder;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS || attempt == FolderAttempts) {
            RaiseLastError("CreateDirectory", folder);
        }
    }
}

// A folder of the same name that a user made, or a junction, is left alone:
// only the Administrators group can own one the program made.
std::vector<std::string> Win32Platform::AdministratorsFoldersLeft() {
    const std::string temp = JoinPath(WindowsDirectory(), "Temp");
    WIN32_FIND_DATAW found{};
    const UniqueFindHandle search(
        ::FindFirstFileW(Widen(JoinPath(temp, std::string(FolderPrefix) + "*")).c_str(), &found));
    if (!search) {
        if (::GetLastError() == ERROR_FILE_NOT_FOUND) {
            return {};
        }
        RaiseLastError("FindFirstFile", temp);
    }
    std::vector<std::string> folders;
    do {
        const std::string name = Narrow(found.cFileName);
        if (IsFolderName(name) && IsAdministratorsFolder(JoinPath(temp, name))) {
            folders.push_back(JoinPath(temp, name));
        }
    } while (::FindNextFileW(search.Get(), &found));
    return folders;
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
