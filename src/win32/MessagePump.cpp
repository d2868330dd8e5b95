#include "win32/MessagePump.h"

namespace resolvo::win32 {

namespace {

struct MessageRange {
    UINT first;
    UINT last;
};

// The input a user makes: keys, the mouse on the client and non-client
// areas, gestures, touch and pointers (WM_GESTURE, WM_TOUCH, WM_POINTER*),
// and the pen (WM_TABLET_*).
constexpr MessageRange InputRanges[] = {
    {WM_KEYFIRST, WM_KEYLAST}, {0x0200, 0x020E}, {0x00A0, 0x00AD},
    {0x0119, 0x011A},          {0x0240, 0x0257}, {0x02C0, 0x02DF},
};

// Dispatches everything but input; a WM_QUIT seen here is kept for later so
// that the caller's own message loop still ends the program.
void DispatchAllButInput(bool& quit, WPARAM& quitCode) noexcept {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            quit = true;
            quitCode = message.wParam;
        } else if (!IsUserInput(message.message)) {
            ::DispatchMessageW(&message);
        }
    }
}

}  // namespace

bool WaitPaintingOnly(HANDLE object, DWORD milliseconds) noexcept {
    const DWORD start = ::GetTickCount();
    const DWORD count = object != nullptr ? 1 : 0;
    bool quit = false;
    WPARAM quitCode = 0;
    bool signalled = false;
    for (;;) {
        const DWORD elapsed = ::GetTickCount() - start;  // unsigned: safe across the tick counter's wrap
        if (elapsed >= milliseconds) {
            break;
        }
        const DWORD result = ::MsgWaitForMultipleObjectsEx(
            count, count != 0 ? &object : nullptr, milliseconds - elapsed, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (count != 0 && result == WAIT_OBJECT_0) {
            signalled = true;
            break;
        }
        if (result == WAIT_OBJECT_0 + count) {
            DispatchAllButInput(quit, quitCode);
        } else if (result == WAIT_FAILED) {
            ::Sleep(10);  // never spin; the loop still ends on time
        }
    }
    if (quit) {
        ::PostQuitMessage(static_cast<int>(quitCode));
    }
    return signalled;
}

bool IsUserInput(UINT message) noexcept {
    for (const MessageRange& range : InputRanges) {
        if (message >= range.first && message <= range.last) {
            return true;
        }
    }
    return false;
}

void DropPendingInput() noexcept {
    MSG message;
    for (const MessageRange& range : InputRanges) {
        while (::PeekMessageW(&message, nullptr, range.first, range.last, PM_REMOVE)) {
        }
    }
}

bool IsAutoRepeatedKey(const MSG& message) noexcept {
    constexpr LPARAM WasDown = 1 << 30;
    const bool key = message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN ||
                     message.message == WM_CHAR || message.message == WM_SYSCHAR;
    return key && (message.lParam & WasDown) != 0;
}

}  // namespace resolvo::win32
