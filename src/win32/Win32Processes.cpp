// Starting programs and opening addresses.
#include "win32/Win32Platform.h"

#include <shellapi.h>
#include <windows.h>

#include "port/Failure.h"
#include "win32/DesktopShell.h"
#include "win32/Handles.h"
#include "win32/LastError.h"
#include "win32/MessagePump.h"
#include "win32/Text.h"

namespace resolvo::win32 {

namespace {

// Start-up focus behaviour of a started program's first window.
WORD ShowCommandFor(WindowStyle style) noexcept {
    return style == WindowStyle::Hidden ? SW_HIDE : SW_SHOWNORMAL;
}

}  // namespace

void Win32Platform::RunCommand(const std::string& command, WindowStyle style, bool wait) {
    // CreateProcessW may write into the command line, so it gets its own copy.
    std::wstring commandLine = Widen(command);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = ShowCommandFor(style);
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
    if (wait && !WaitPaintingOnly(process.Get(), commandWaitLimitMs_)) {
        throw Failure("WaitForProcess", command, error_code::WaitTimeout);
    }
}

bool Win32Platform::IsElevated() {
    return IsProcessElevated();
}

void Win32Platform::OpenAsDesktopUser(const std::string& file, const std::string& parameters) {
    const HRESULT result = ShellExecuteAsDesktopUser(Widen(file), Widen(parameters));
    if (FAILED(result)) {
        throw Failure("ShellExecute as the desktop user", file, static_cast<std::uint32_t>(result));
    }
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
