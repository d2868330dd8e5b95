// Message boxes.
#include "win32/Win32Platform.h"

#include <windows.h>

#include "win32/Handles.h"
#include "win32/LastError.h"
#include "win32/MessagePump.h"
#include "win32/Text.h"

namespace resolvo::win32 {

namespace {

// The box belongs to the program's active window, or to its first visible
// one, so that it is modal to the program and not lost behind it.
BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM found) noexcept {
    if (::IsWindowVisible(window) && ::IsWindowEnabled(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

HWND MessageOwner() noexcept {
    HWND owner = ::GetActiveWindow();
    if (owner == nullptr) {
        ::EnumThreadWindows(::GetCurrentThreadId(), FindVisibleWindow, reinterpret_cast<LPARAM>(&owner));
    }
    return owner;
}

// A key held down repeats, and each repeat would answer the next box
// unseen: the boxes' own message loop passes its messages through here.
LRESULT CALLBACK DropRepeatedKeys(int code, WPARAM wParam, LPARAM lParam) noexcept {
    if (code == MSGF_DIALOGBOX && IsAutoRepeatedKey(*reinterpret_cast<const MSG*>(lParam))) {
        return TRUE;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

MessageAnswer Win32Platform::ShowMessage(const std::string& text, MessageKind kind) {
    const HWND owner = MessageOwner();
    UINT flags = static_cast<UINT>(kind) | MB_SETFOREGROUND;
    if (owner == nullptr) {
        flags |= MB_TASKMODAL;
    }
    const UniqueHook hook(
        ::SetWindowsHookExW(WH_MSGFILTER, DropRepeatedKeys, nullptr, ::GetCurrentThreadId()));
    for (;;) {
        const int answer = ::MessageBoxW(owner, Widen(text).c_str(), Widen(ApplicationTitle).c_str(), flags);
        if (answer == 0) {
            RaiseLastError("MessageBox", text);
        }
        // Windows gives a Yes/No box no way out but its buttons; Wine lets Esc
        // and Alt+F4 close it, and then it is asked again.
        if (kind != MessageKind::YesNo || answer != IDCANCEL) {
            return static_cast<MessageAnswer>(answer);
        }
    }
}

}  // namespace resolvo::win32
