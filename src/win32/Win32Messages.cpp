// Message boxes.
#include "win32/Win32Platform.h"

#include <windows.h>

#include "port/Failure.h"
#include "win32/Handles.h"
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

// A quit that arrives while a box is open ends the box, and Windows posts it
// again for the program's own loop: every later box would end at once.
bool QuitPending() noexcept {
    MSG message;
    return ::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
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
    const std::wstring wideText = Widen(text);
    const std::wstring title = Widen(ApplicationTitle);
    // Windows gives a Yes/No box no way out but its buttons; Wine lets Esc
    // and Alt+F4 close it, and then it is asked again, up to three times. A
    // box ended by a quit (whatever it then returns), or closed a third
    // time, counts as No.
    for (int closes = 1;; ++closes) {
        const int answer = ::MessageBoxW(owner, wideText.c_str(), title.c_str(), flags);
        const DWORD error = answer == 0 ? ::GetLastError() : ERROR_SUCCESS;
        const bool answered = answer == IDYES || answer == IDNO;
        if (kind == MessageKind::YesNo && (QuitPending() || (!answered && closes == 3))) {
            return MessageAnswer::No;
        }
        if (answer == 0) {
            throw Failure("MessageBox", text, error);
        }
        if (kind != MessageKind::YesNo || answered) {
            return static_cast<MessageAnswer>(answer);
        }
    }
}

}  // namespace resolvo::win32
