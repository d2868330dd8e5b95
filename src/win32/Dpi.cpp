// Every function here that Windows XP lacks is looked up at run time; where
// it is missing, the system DPI is the only one, as it is on those systems.
#include "win32/Dpi.h"

#include "win32/Handles.h"
#include "win32/SystemFunction.h"

namespace resolvo::win32 {

namespace {

template <typename Function>
Function UserFunction(const char* name) noexcept {
    return SystemFunction<Function>(L"user32.dll", name);
}

int SystemDpi() noexcept {
    const WindowDC screen(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : 96;
}

}  // namespace

int WindowDpi(HWND window) noexcept {
    static const auto getDpiForWindow = UserFunction<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    const int dpi = getDpiForWindow != nullptr ? static_cast<int>(getDpiForWindow(window)) : 0;
    return dpi > 0 ? dpi : SystemDpi();
}

// The frame is measured at the window's DPI: Windows draws it at the
// monitor's DPI for a window that scales per monitor (version 2).
SIZE WindowSizeForClient(HWND window, int clientWidth, int clientHeight, int dpi) noexcept {
    static const auto adjustForDpi =
        UserFunction<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
    RECT frame{0, 0, clientWidth, clientHeight};
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_EXSTYLE));
    if (adjustForDpi == nullptr || !adjustForDpi(&frame, style, FALSE, exStyle, static_cast<UINT>(dpi))) {
        ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    }
    return {frame.right - frame.left, frame.bottom - frame.top};
}

void KeepDialogLayoutOnDpiChange(HWND dialog) noexcept {
    constexpr DWORD DisableAll = 1;  // DDC_DISABLE_ALL
    static const auto setBehaviour =
        UserFunction<BOOL(WINAPI*)(HWND, DWORD, DWORD)>("SetDialogDpiChangeBehavior");
    if (setBehaviour != nullptr) {
        setBehaviour(dialog, DisableAll, DisableAll);
    }
}

void KeepControlLayoutOnDpiChange(HWND control) noexcept {
    constexpr DWORD FontAndPlace = 1 | 2;  // DCDC_DISABLE_FONTUPDATE | DCDC_DISABLE_RELAYOUT
    static const auto setBehaviour =
        UserFunction<BOOL(WINAPI*)(HWND, DWORD, DWORD)>("SetDialogControlDpiChangeBehavior");
    if (setBehaviour != nullptr) {
        setBehaviour(control, FontAndPlace, FontAndPlace);
    }
}

}  // namespace resolvo::win32
