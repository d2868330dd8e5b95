#include "win32/MessagePump.h"

namespace resolvo::win32 {

namespace {

constexpr UINT FirstMouseMessage = 0x0200;    // WM_MOUSEMOVE
constexpr UINT LastMouseMessage = 0x020E;     // WM_MOUSEHWHEEL
constexpr UINT FirstNonClientMouse = 0x00A0;  // WM_NCMOUSEMOVE
constexpr UINT LastNonClientMouse = 0x00AD;   // WM_NCXBUTTONDBLCLK

bool IsUserInput(UINT message) noexcept {
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
           (message >= FirstMouseMessage && message <= LastMouseMessage) ||
           (message >= FirstNonClientMouse && message <= LastNonClientMouse);
}

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

void DropPendingInput() noexcept {
    MSG message;
    while (::PeekMessageW(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
    }
    while (::PeekMessageW(&message, nullptr, FirstMouseMessage, LastMouseMessage, PM_REMOVE)) {
    }
    while (::PeekMessageW(&message, nullptr, FirstNonClientMouse, LastNonClientMouse, PM_REMOVE)) {
    }
}

}  // namespace resolvo::win32
