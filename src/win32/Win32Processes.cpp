// Starting programs and opening addresses.
#include "win32/Win32Platform.h"

#include <shellapi.h>
#include <shlobj.h>
#include <windows.h>

#include "port/Failure.h"
#include "win32/DesktopShell.h"
#include "win32/Handles.h"
#include "win32/LastError.h"
#include "win32/MessagePump.h"
#include "win32/SystemFunction.h"
#include "win32/Text.h"

namespace resolvo::win32 {

namespace {

// TokenElevation, which the XP-level headers leave out; it gives a
// TOKEN_ELEVATION, one DWORD.
constexpr auto TokenElevationClass = static_cast<TOKEN_INFORMATION_CLASS>(20);

// Start-up focus behaviour of a started program's first window.
STARTUPINFOW StartupFor(WindowStyle style) noexcept {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = style == WindowStyle::Hidden ? SW_HIDE : SW_SHOWNORMAL;
    return startup;
}

using CreateProcessWithTokenFunction = BOOL(WINAPI*)(HANDLE, DWORD, LPCWSTR, LPWSTR, DWORD, LPVOID, LPCWSTR,
                                                     LPSTARTUPINFOW, LPPROCESS_INFORMATION);

// Windows XP has no CreateProcessWithTokenW.
CreateProcessWithTokenFunction CreateProcessWithToken(const std::string& command) {
    const auto function =
        SystemFunction<CreateProcessWithTokenFunction>(L"advapi32.dll", "CreateProcessWithTokenW");
    if (function == nullptr) {
        RaiseLastError("GetProcAddress CreateProcessWithTokenW", command);
    }
    return function;
}

// The desktop shell's process runs as the desktop user, unelevated: a
// primary token made from its own is what a program started for him gets.
UniqueKernelHandle ShellUserToken(const std::string& command) {
    const HWND shell = ::GetShellWindow();
    if (shell == nullptr) {
        throw Failure("GetShellWindow", command, ERROR_NOT_FOUND);
    }
    DWORD shellProcess = 0;
    ::GetWindowThreadProcessId(shell, &shellProcess);
    const UniqueKernelHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, shellProcess));
    if (!process) {
        RaiseLastError("OpenProcess", command);
    }
    UniqueKernelHandle shellToken;
    if (!::OpenProcessToken(process.Get(), TOKEN_DUPLICATE, shellToken.Put())) {
        RaiseLastError("OpenProcessToken", command);
    }
    UniqueKernelHandle primary;
    constexpr DWORD Access =
        TOKEN_QUERY | TOKEN_ASSIGN_PRIMARY | TOKEN_DUPLICATE | TOKEN_ADJUST_DEFAULT | TOKEN_ADJUST_SESSIONID;
    if (!::DuplicateTokenEx(shellToken.Get(), Access, nullptr, SecurityImpersonation, TokenPrimary,
                            primary.Put())) {
        RaiseLastError("DuplicateTokenEx", command);
    }
    return primary;
}

}  // namespace

void Win32Platform::RunCommand(const std::string& command, WindowStyle style, int waitLimitMs) {
    // CreateProcessW may write into the command line, so it gets its own copy.
    std::wstring commandLine = Widen(command);
    STARTUPINFOW startup = StartupFor(style);
    const DWORD flags = style == WindowStyle::Hidden ? CREATE_NO_WINDOW : 0;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr,
                          &startup, &started)) {
        RaiseLastError("CreateProcess", command);
    }
    const UniqueKernelHandle process(started.hProcess);
    const UniqueKernelHandle thread(started.hThread);
    if (style == WindowStyle::NormalFocus) {
        ::AllowSetForegroundWindow(started.dwProcessId);
    }
    if (waitLimitMs != NoWait && !WaitPaintingOnly(process.Get(), static_cast<DWORD>(waitLimitMs))) {
        throw Failure("WaitForProcess", command, error_code::WaitTimeout);
    }
}

// The elevation type only says whether the token has a linked one: the
// built-in Administrator's, or any administrator's with UAC off, is of type
// "default" and as elevated as a full one. TokenIsElevated says which it
// is. Windows before Vista knows no such token information (invalid
// parameter).
Elevation Win32Platform::ProgramElevation() {
    UniqueKernelHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Put())) {
        RaiseLastError("OpenProcessToken", {});
    }
    DWORD elevated = 0;
    DWORD size = 0;
    if (!::GetTokenInformation(token.Get(), TokenElevationClass, &elevated, sizeof elevated, &size)) {
        if (::GetLastError() == ERROR_INVALID_PARAMETER) {
            return Elevation::NoElevation;
        }
        RaiseLastError("GetTokenInformation", "TokenElevation");
    }
    return elevated != 0 ? Elevation::Elevated : Elevation::NotElevated;
}

// SHGetFolderPath is shell32's since Windows 2000; for a 32-bit program on
// 64-bit Windows it names Program Files (x86), where the 32-bit programs
// are. A folder that does not exist (S_FALSE) is no folder.
std::string Win32Platform::ProgramFilesFolder() {
    wchar_t folder[MAX_PATH] = {};
    const HRESULT result =
        ::SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, folder);
    if (result != S_OK || folder[0] == L'\0') {
        throw Failure("SHGetFolderPath", "CSIDL_PROGRAM_FILES",
                      static_cast<std::uint32_t>(result != S_OK ? result : E_FAIL));
    }
    return Narrow(folder);
}

void Win32Platform::OpenAsDesktopUser(const std::string& file, const std::string& parameters) {
    const HRESULT result = ShellExecuteAsDesktopUser(Widen(file), Widen(parameters));
    if (FAILED(result)) {
        throw Failure("ShellExecute as the desktop user", file, static_cast<std::uint32_t>(result));
    }
}

void Win32Platform::RunAsShellUser(const std::string& command) {
    const CreateProcessWithTokenFunction createWithToken = CreateProcessWithToken(command);
    const UniqueKernelHandle token = ShellUserToken(command);
    std::wstring commandLine = Widen(command);
    STARTUPINFOW startup = StartupFor(WindowStyle::NormalFocus);
    PROCESS_INFORMATION started{};
    if (!createWithToken(token.Get(), 0, nullptr, commandLine.data(), 0, nullptr, nullptr, &startup,
                         &started)) {
        RaiseLastError("CreateProcessWithToken", command);
    }
    const UniqueKernelHandle process(started.hProcess);
    const UniqueKernelHandle thread(started.hThread);
    ::AllowSetForegroundWindow(started.dwProcessId);
}

void Win32Platform::OpenAddress(const std::string& address) {
    const std::wstring file = Widen(address);
    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof execute;
    execute.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_FLAG_DDEWAIT;
    execute.lpVerb = L"open";
    execute.lpFile = file.c_str();
    execute.nShow = SW_SHOWNORMAL;
    if (!::ShellExecuteExW(&execute)) {
        RaiseLastError("ShellExecuteEx", address);
    }
}

}  // namespace resolvo::win32
