#include "ui/DialogWindow.h"

#include <utility>

namespace resolvo::ui {

namespace {

constexpr int NormalPointsX100 = 825;
constexpr int BoldPointsX100 = 975;
constexpr const wchar_t* WindowFontName = L"MS Sans Serif";

// A dialog template with no controls, no menu and no caption: the controls
// are created in pixels afterwards, so the template's dialog units never
// decide the layout.
struct alignas(4) EmptyDialogTemplate {
    DLGTEMPLATE header;
    WORD menu;
    WORD windowClass;
    WORD title;
};

int ScreenDpi() noexcept {
    const win32::WindowDC screen(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : 96;
}

RECT WorkAreaUnderCursor() noexcept {
    POINT cursor{};
    ::GetCursorPos(&cursor);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (::GetMonitorInfoW(::MonitorFromPoint(cursor, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
        return monitor.rcWork;
    }
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

}  // namespace

// Derived windows have unloaded already; this only covers a window whose
// creation stopped half way.
DialogWindow::~DialogWindow() {
    unloaded_ = nullptr;
    Unload();
}

void DialogWindow::Unload() noexcept {
    if (handle_ != nullptr) {
        ::DestroyWindow(handle_);
    }
}

bool DialogWindow::Create(HINSTANCE instance, HWND owner, DWORD style, DWORD exStyle,
                          const std::wstring& caption, int clientWidthTwips, int clientHeightTwips) noexcept {
    dpi_ = ScreenDpi();
    clientWidthTwips_ = clientWidthTwips;
    clientHeightTwips_ = clientHeightTwips;
    EmptyDialogTemplate dialogTemplate{};
    dialogTemplate.header.style = style;
    dialogTemplate.header.dwExtendedStyle = exStyle;
    if (::CreateDialogIndirectParamW(instance, &dialogTemplate.header, owner, DialogProcedure,
                                     reinterpret_cast<LPARAM>(this)) == nullptr) {
        return false;
    }
    ::SetWindowTextW(handle_, caption.c_str());
    return true;
}

HFONT DialogWindow::FontFor(bool bold) noexcept {
    win32::UniqueFont& font = bold ? boldFont_ : normalFont_;
    if (!font) {
        LOGFONTW description{};
        description.lfHeight = FontHeightForPoints(bold ? BoldPointsX100 : NormalPointsX100, dpi_);
        description.lfWeight = bold ? FW_BOLD : FW_NORMAL;
        description.lfCharSet = DEFAULT_CHARSET;
        ::lstrcpynW(description.lfFaceName, WindowFontName, LF_FACESIZE);
        font.Reset(::CreateFontIndirectW(&description));
    }
    return font.Get();
}

HWND DialogWindow::AddControl(const ControlLayout& control, const TwipsRect& container) noexcept {
    const PixelRect at = ToPixels(Within(container, control.position), dpi_);
    const HWND created = ::CreateWindowExW(
        control.exStyle, control.windowClass, control.text, WS_CHILD | WS_VISIBLE | control.style, at.left,
        at.top, at.width, at.height, handle_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)),
        reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(handle_, GWLP_HINSTANCE)), nullptr);
    if (created != nullptr) {
        ::SendMessageW(created, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(control.bold)), FALSE);
    }
    return created;
}

void DialogWindow::CentreOnScreen() noexcept {
    RECT frame{0, 0, TwipsToPixels(clientWidthTwips_, dpi_), TwipsToPixels(clientHeightTwips_, dpi_)};
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(handle_, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(::GetWindowLongPtrW(handle_, GWL_EXSTYLE));
    ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const RECT work = WorkAreaUnderCursor();
    const int left = work.left + (work.right - work.left - width) / 2;
    const int top = work.top + (work.bottom - work.top - height) / 2;
    ::SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void DialogWindow::OnClick(int controlId, std::function<void()> handler) {
    clickHandlers_.emplace_back(controlId, std::move(handler));
}

INT_PTR DialogWindow::OnMessage(UINT, WPARAM, LPARAM) noexcept {
    return FALSE;
}

void DialogWindow::OnCommand(int id, int notification) noexcept {
    if (notification != BN_CLICKED) {
        return;
    }
    for (const auto& [controlId, handler] : clickHandlers_) {
        if (controlId == id) {
            handler();
            return;
        }
    }
}

// The last message the window gets: from here on the object has no window.
void DialogWindow::OnNonClientDestroy() noexcept {
    ::SetWindowLongPtrW(handle_, DWLP_USER, 0);
    handle_ = nullptr;
    if (unloaded_) {
        unloaded_();
    }
}

INT_PTR CALLBACK DialogWindow::DialogProcedure(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) noexcept {
    DialogWindow* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<DialogWindow*>(lParam);
        self->handle_ = window;
        ::SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<DialogWindow*>(::GetWindowLongPtrW(window, DWLP_USER));
    }
    return self != nullptr ? self->Dispatch(message, wParam, lParam) : FALSE;
}

INT_PTR DialogWindow::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog();
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_DESTROY:
            OnUnload();
            return TRUE;
        case WM_NCDESTROY:
            OnNonClientDestroy();
            return FALSE;
        default:
            return OnMessage(message, wParam, lParam);
    }
}

}  // namespace resolvo::ui
