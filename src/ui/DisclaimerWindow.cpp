#include "ui/DisclaimerWindow.h"

#include "ResolvoVersion.h"
#include "win32/MessagePump.h"

namespace resolvo::ui {

namespace {

enum ControlId : int {
    Banner = 101,
    ContinueButton,
    ExitButton,
    Frame,
    WarningLabel,
    TermsText,
    AgreeLabel,
    TitleLabel,
    CloseAcceleratorsLabel,
    AllowAccessLabel,
    ResetNoticeLabel,
};

constexpr wchar_t EscapeCode = 27;

constexpr DWORD Label = SS_NOPREFIX;
constexpr DWORD Button = BS_PUSHBUTTON | WS_TABSTOP;

// In tab order. Positions are relative to the frame.
constexpr ControlLayout FrameControls[] = {
    {Banner, BannerClass, L"", WS_TABSTOP | WS_GROUP, WS_EX_CLIENTEDGE, DisclaimerBanner, false},
    {TitleLabel,
     L"STATIC",
     L"" RESOLVO_FILE_DESCRIPTION " Version " RESOLVO_PRODUCT_VERSION,
     Label | SS_RIGHT,
     0,
     {2400, 1680, 3465, 240},
     true},
    {CloseAcceleratorsLabel,
     L"STATIC",
     L"Please close all web acceleration programs prior to using this application.",
     Label | SS_CENTER,
     0,
     {360, 2160, 7455, 255},
     false},
    {AllowAccessLabel,
     L"STATIC",
     L"If prompted by your virus checking software or firewall, please ensure you allow Resolvo access to "
     L"your system.",
     Label | SS_CENTER,
     0,
     {120, 2400, 7935, 255},
     false},
    {WarningLabel, L"STATIC", L"Warning", Label | SS_CENTER, 0, {3600, 2640, 1095, 255}, true},
    {TermsText,
     L"STATIC",
     L"This software is provided as is, with no support or warranty of any kind. The use of this software is "
     L"not endorsed by Microsoft Corporation, and we accept no responsibility for loss of data or damage to "
     L"your system which may result from the use of this software. By using this software you agree to the "
     L"above terms. If you do not agree to the above terms press ESC to exit from the program.",
     Label | SS_LEFT,
     0,
     {360, 3000, 7455, 855},
     false},
    {AgreeLabel,
     L"STATIC",
     L"If you agree to the above terms please click continue otherwise click exit.",
     Label | SS_CENTER,
     0,
     {360, 3960, 7455, 255},
     false},
    {ResetNoticeLabel,
     L"STATIC",
     L"After clicking continue below, your network connection will be reset and Resolvo will run several "
     L"known DNS error fixes.",
     Label | SS_CENTER,
     0,
     {1320, 4320, 5535, 495},
     false},
    {ContinueButton, L"BUTTON", L"Continue", Button, 0, DisclaimerContinue, false},
};

// On the window itself, above the frame.
constexpr ControlLayout ExitControl{ExitButton, L"BUTTON", L"Exit", Button, 0, DisclaimerExit, false};
// Created last, so that it lies beneath every control it surrounds.
constexpr ControlLayout FrameControl{Frame, L"BUTTON", L"", BS_GROUPBOX, 0, DisclaimerFrame, false};

// A fixed dialog frame without caption, system menu or any close box.
constexpr DWORD DisclaimerStyle = WS_POPUP | WS_DLGFRAME | DS_MODALFRAME;

}  // namespace

DisclaimerWindow::DisclaimerWindow(HINSTANCE instance, std::function<void()> continueWith)
    : instance_(instance), continueWith_(std::move(continueWith)) {
    // The window has no caption to be announced by.
    SetAccessibleName(L"" RESOLVO_PRODUCT_NAME " disclaimer");
    OnClick(ContinueButton, [this] { OnContinue(); });
    OnClick(ExitButton, [this] { OnExit(); });
}

bool DisclaimerWindow::Show(HWND owner) noexcept {
    // Owned by a hidden window, the disclaimer gets no taskbar button.
    if (!Create(instance_, owner, DisclaimerStyle, WS_EX_DLGMODALFRAME, L"", DisclaimerClient.width,
                DisclaimerClient.height)) {
        return false;
    }
    CentreOnScreen();
    ::ShowWindow(Handle(), SW_SHOW);
    ::SetForegroundWindow(Handle());
    return true;
}

BOOL DisclaimerWindow::OnInitDialog() noexcept {
    banner_ = std::make_unique<BannerImage>(instance_);
    for (const ControlLayout& control : FrameControls) {
        AddControl(control, DisclaimerFrame);
    }
    AddControl(ExitControl);
    AddControl(FrameControl);
    ShowBanner(Control(Banner), *banner_);
    SizeLabelToText(Control(TitleLabel));
    ::SetFocus(Control(Banner));
    return FALSE;
}

void DisclaimerWindow::OnRelayout() noexcept {
    SizeLabelToText(Control(TitleLabel));
}

// The label fits its text in whatever font the system gives it, and stays
// centred where it was laid out.
void DisclaimerWindow::SizeLabelToText(HWND label) noexcept {
    wchar_t text[128];
    const int length = ::GetWindowTextW(label, text, 128);
    SIZE extent{};
    {
        const win32::WindowDC dc(label);
        const win32::SelectedObject font(dc.Get(),
                                         reinterpret_cast<HGDIOBJ>(::SendMessageW(label, WM_GETFONT, 0, 0)));
        ::GetTextExtentPoint32W(dc.Get(), text, length, &extent);
    }
    RECT at{};
    ::GetWindowRect(label, &at);
    ::MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&at), 2);
    const int centre = (at.left + at.right) / 2;
    ::SetWindowPos(label, nullptr, centre - extent.cx / 2, at.top, extent.cx, extent.cy,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

bool DisclaimerWindow::PreviewKey(MSG& message) noexcept {
    if (Handle() == nullptr || (message.hwnd != Handle() && !::IsChild(Handle(), message.hwnd))) {
        return false;
    }
    if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) {
        // Turned into its character here, before the dialog manager would
        // take Esc for a Cancel button the window does not have.
        ::TranslateMessage(&message);
        return true;
    }
    if (message.message == WM_CHAR) {
        return OnKeyPress(static_cast<wchar_t>(message.wParam));
    }
    return false;
}

bool DisclaimerWindow::OnKeyPress(wchar_t characterCode) noexcept {
    if (characterCode == EscapeCode && !continuing_) {
        Unload();
        return true;
    }
    return characterCode == EscapeCode;
}

INT_PTR DisclaimerWindow::OnMessage(UINT message, WPARAM, LPARAM) noexcept {
    // No close of its own: Exit and Esc are the ways out.
    return message == WM_CLOSE ? TRUE : FALSE;
}

void DisclaimerWindow::OnContinue() noexcept {
    if (continuing_) {
        return;
    }
    continuing_ = true;
    if (continueWith_) {
        continueWith_();
    }
    win32::DropPendingInput();
    Unload();
}

void DisclaimerWindow::OnExit() noexcept {
    if (!continuing_) {
        Unload();
    }
}

}  // namespace resolvo::ui
