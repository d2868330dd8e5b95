#include "ui/DialogWindow.h"

#include <new>
#include <utility>

#include "win32/Accessibility.h"
#include "win32/Dpi.h"
#include "win32/WindowObject.h"

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

win32::UniqueFont MakeFont(int pointsX100, bool bold, int dpi) noexcept {
    LOGFONTW description{};
    description.lfHeight = FontHeightForPoints(pointsX100, dpi);
    description.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    description.lfCharSet = DEFAULT_CHARSET;
    ::lstrcpynW(description.lfFaceName, WindowFontName, LF_FACESIZE);
    return win32::UniqueFont(::CreateFontIndirectW(&description));
}

POINT CentreOf(const RECT& rect) noexcept {
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
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

DialogWindow::Fonts DialogWindow::MakeFonts(int dpi) noexcept {
    return {MakeFont(NormalPointsX100, false, dpi), MakeFont(BoldPointsX100, true, dpi)};
}

HWND DialogWindow::AddControl(const ControlLayout& control, const TwipsRect& container) noexcept {
    const PixelRect at = ToPixels(Within(container, control.position), dpi_);
    const HWND created = ::CreateWindowExW(
        control.exStyle, control.windowClass, control.text, WS_CHILD | WS_VISIBLE | control.style, at.left,
        at.top, at.width, at.height, handle_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)),
        reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(handle_, GWLP_HINSTANCE)), nullptr);
    if (created == nullptr) {
        return nullptr;
    }
    win32::KeepControlLayoutOnDpiChange(created);
    ::SendMessageW(created, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.For(control.bold)), FALSE);
    try {
        placed_.push_back({created, Within(container, control.position), control.bold});
    } catch (const std::bad_alloc&) {
        // It stays where it is when the DPI changes.
    }
    return created;
}

void DialogWindow::CentreOnScreen() noexcept {
    SizeAroundCentre(CentreOf(WorkAreaUnderCursor()));
}

// The client area is exactly the layout's size at the window's DPI. The
// frame is measured once more after the window is sized, for a system that
// draws it at another DPI than it reports. A move onto a monitor of another
// DPI lays the window out again for that DPI on the way (WM_DPICHANGED),
// which then has the last word.
void DialogWindow::SizeAroundCentre(POINT centre) noexcept {
    const int dpi = dpi_;
    const int clientWidth = TwipsToPixels(clientWidthTwips_, dpi);
    const int clientHeight = TwipsToPixels(clientHeightTwips_, dpi);
    SIZE size = win32::WindowSizeForClient(handle_, clientWidth, clientHeight, dpi);
    for (int attempt = 0; attempt < 2; ++attempt) {
        ::SetWindowPos(handle_, nullptr, centre.x - size.cx / 2, centre.y - size.cy / 2, size.cx, size.cy,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        if (dpi_ != dpi) {
            return;
        }
        RECT client{};
        ::GetClientRect(handle_, &client);
        if (client.right == clientWidth && client.bottom == clientHeight) {
            return;
        }
        size.cx += clientWidth - client.right;
        size.cy += clientHeight - client.bottom;
    }
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
    win32::AttachObject<DialogWindow>(handle_, DWLP_USER, nullptr);
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
        win32::AttachObject(window, DWLP_USER, self);
    } else {
        self = win32::AttachedObject<DialogWindow>(window, DWLP_USER);
    }
    return self != nullptr ? self->Dispatch(message, wParam, lParam) : FALSE;
}

// A dialog procedure hands a message's result back through the window.
INT_PTR DialogWindow::Answer(LRESULT result) noexcept {
    ::SetWindowLongPtrW(handle_, DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR DialogWindow::OnGetObject(WPARAM flags, LPARAM objectId) noexcept {
    if (accessibleName_.empty()) {
        return FALSE;
    }
    const LRESULT object =
        win32::AnswerAccessibleObject(handle_, flags, objectId, accessibleName_.c_str(), 0);
    return object != 0 ? Answer(object) : FALSE;
}

// Asked on Windows 10 1703 and later before the DPI changes, so that the
// rectangle Windows then suggests already has the layout's client area.
INT_PTR DialogWindow::OnGetDpiScaledSize(int dpi, SIZE& size) noexcept {
    size = win32::WindowSizeForClient(handle_, TwipsToPixels(clientWidthTwips_, dpi),
                                      TwipsToPixels(clientHeightTwips_, dpi), dpi);
    return Answer(TRUE);
}

// The window moved to a monitor of another DPI, or the monitor's DPI
// changed: everything is laid out again from its twips. The window takes
// the place Windows suggests, which keeps it under the mouse while it is
// dragged, centred on that place at the layout's size. A control is given
// its new font before the old one is deleted.
INT_PTR DialogWindow::OnDpiChanged(int dpi, const RECT& suggested) noexcept {
    dpi_ = dpi;
    Fonts fonts = MakeFonts(dpi);
    for (const PlacedControl& control : placed_) {
        const PixelRect at = ToPixels(control.position, dpi);
        ::SetWindowPos(control.window, nullptr, at.left, at.top, at.width, at.height,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        ::SendMessageW(control.window, WM_SETFONT, reinterpret_cast<WPARAM>(fonts.For(control.bold)), FALSE);
    }
    fonts_ = std::move(fonts);
    SizeAroundCentre(CentreOf(suggested));
    OnRelayout();
    ::InvalidateRect(handle_, nullptr, TRUE);
    return Answer(0);
}

INT_PTR DialogWindow::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    switch (message) {
        case WM_INITDIALOG:
            // Before any control is made: they are made at this DPI.
            dpi_ = win32::WindowDpi(handle_);
            fonts_ = MakeFonts(dpi_);
            win32::KeepDialogLayoutOnDpiChange(handle_);
            return OnInitDialog();
        case WM_GETOBJECT:
            return OnGetObject(wParam, lParam);
        case win32::GetDpiScaledSizeMessage:
            return OnGetDpiScaledSize(LOWORD(wParam), *reinterpret_cast<SIZE*>(lParam));
        case win32::DpiChangedMessage:
            return OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
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
