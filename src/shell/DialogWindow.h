#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "platform/Win32Handles.h"
#include "shell/Layout.h"

namespace resolvo::shell {

// A control of a form, laid out in twips. Controls inside a container give
// their position relative to it.
struct ControlSpec {
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
// Derived forms handle one message at a time in small handlers; nothing
// throws across the dialog procedure.
class DialogWindow {
public:
    DialogWindow(const DialogWindow&) = delete;
    DialogWindow& operator=(const DialogWindow&) = delete;
    virtual ~DialogWindow();

    HWND Handle() const noexcept { return handle_; }
    bool IsLoaded() const noexcept { return handle_ != nullptr; }
    // Destroys the window; the form's Form_Unload runs on the way.
    void Unload() noexcept;

    // Called once the window is gone.
    void OnUnloaded(std::function<void()> callback) { unloaded_ = std::move(callback); }

protected:
    DialogWindow() = default;

    // Creates the window hidden, with a client area of the given size.
    bool Create(HINSTANCE instance, HWND owner, DWORD style, DWORD exStyle, const std::wstring& caption,
                int clientWidthTwips, int clientHeightTwips) noexcept;
    HWND AddControl(const ControlSpec& control, const TwipsRect& container = {0, 0, 0, 0}) noexcept;
    HWND Control(int id) const noexcept { return ::GetDlgItem(handle_, id); }
    void CentreOnScreen() noexcept;
    int Dpi() const noexcept { return dpi_; }

    // WM_INITDIALOG: create the controls. Returns FALSE once it has set the focus.
    virtual BOOL OnInitDialog() noexcept = 0;
    virtual void OnCommand(int id, int notification) noexcept = 0;
    // Everything else; returns TRUE for a message it handled.
    virtual INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    virtual void Form_Unload() noexcept {}

private:
    static INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    HFONT FontFor(bool bold) noexcept;

    HWND handle_ = nullptr;
    int dpi_ = 96;
    int clientWidthTwips_ = 0;
    int clientHeightTwips_ = 0;
    win32::UniqueGdiObject normalFont_;
    win32::UniqueGdiObject boldFont_;
    std::function<void()> unloaded_;
};

}  // namespace resolvo::shell
