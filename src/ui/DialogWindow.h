#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ui/Layout.h"
#include "win32/Handles.h"

namespace resolvo::ui {

// Where a control of a window lies, in twips, and what it is. Controls inside
// a container give their position relative to it.
struct ControlLayout {
    int id;
    const wchar_t* windowClass;
    const wchar_t* text;
    DWORD style;
    DWORD exStyle;
    TwipsRect position;
    bool bold;
};

// A modeless dialog window whose controls are placed from twips at the
// display's real resolution. Being a dialog, it gets Windows' keyboard
// navigation, default-button handling and the focus put back on activation.
// The base turns messages into small hooks: a click on a control calls the
// handler given for it, the window's end calls OnUnload. Nothing throws
// across the dialog procedure.
//
// A derived window unloads itself in its own destructor, so that its
// OnUnload runs while the derived part still exists.
class DialogWindow {
public:
    DialogWindow(const DialogWindow&) = delete;
    DialogWindow& operator=(const DialogWindow&) = delete;
    virtual ~DialogWindow();

    HWND Handle() const noexcept { return handle_; }
    bool IsLoaded() const noexcept { return handle_ != nullptr; }
    // Destroys the window; OnUnload runs on the way.
    void Unload() noexcept;

    // Called once the window is gone.
    void OnUnloaded(std::function<void()> callback) { unloaded_ = std::move(callback); }

protected:
    DialogWindow() = default;

    // Creates the window hidden, with a client area of the given size.
    bool Create(HINSTANCE instance, HWND owner, DWORD style, DWORD exStyle, const std::wstring& caption,
                int clientWidthTwips, int clientHeightTwips) noexcept;
    HWND AddControl(const ControlLayout& control, const TwipsRect& container = {0, 0, 0, 0}) noexcept;
    // What a screen reader calls the window, where its caption does not say.
    void SetAccessibleName(std::wstring name) { accessibleName_ = std::move(name); }
    HWND Control(int id) const noexcept { return ::GetDlgItem(handle_, id); }
    void OnClick(int controlId, std::function<void()> handler);
    void CentreOnScreen() noexcept;

    // WM_INITDIALOG: create the controls. Returns FALSE once it has set the focus.
    virtual BOOL OnInitDialog() noexcept = 0;
    // Any other message; returns TRUE for one it handled.
    virtual INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    virtual void OnUnload() noexcept {}
    // The controls have been placed again from their twips at a new DPI.
    virtual void OnRelayout() noexcept {}

private:
    static INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    void OnCommand(int id, int notification) noexcept;
    void OnNonClientDestroy() noexcept;
    INT_PTR OnGetObject(WPARAM flags, LPARAM objectId) noexcept;
    INT_PTR OnGetDpiScaledSize(int dpi, SIZE& size) noexcept;
    INT_PTR OnDpiChanged(int dpi, const RECT& suggested) noexcept;
    INT_PTR Answer(LRESULT result) noexcept;
    void SizeAroundCentre(POINT centre) noexcept;

    // A control with the place and font it was laid out with.
    struct PlacedControl {
        HWND window;
        TwipsRect position;
        bool bold;
    };
    struct Fonts {
        win32::UniqueFont normal;
        win32::UniqueFont bold;
        HFONT For(bool isBold) const noexcept { return isBold ? bold.Get() : normal.Get(); }
    };
    static Fonts MakeFonts(int dpi) noexcept;

    HWND handle_ = nullptr;
    int dpi_ = 96;
    int clientWidthTwips_ = 0;
    int clientHeightTwips_ = 0;
    std::vector<std::pair<int, std::function<void()>>> clickHandlers_;
    std::vector<PlacedControl> placed_;
    Fonts fonts_;
    std::wstring accessibleName_;
    std::function<void()> unloaded_;
};

}  // namespace resolvo::ui
