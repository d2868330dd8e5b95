#include "shell/frmSplash.h"

#include "platform/Win32MessagePump.h"

namespace resolvo::shell {

namespace {

enum ControlId : int {
    Picture1 = 101,
    ContinueCommand,
    ExitCommand,
    Frame1,
    Label1,
    Label2,
    Label3,
    Label4,
    Label5,
    Label6,
    Label7,
};

constexpr int ClientWidthTwips = 8490;
constexpr int ClientHeightTwips = 5610;
constexpr TwipsRect Frame1Position{120, 0, 8280, 5490};
constexpr wchar_t EscapeCode = 27;

constexpr DWORD Label = SS_NOPREFIX;
constexpr DWORD Button = BS_PUSHBUTTON | WS_TABSTOP;

// In tab order. Positions are relative to Frame1.
constexpr ControlSpec FrameControls[] = {
    {Picture1, BannerPictureClass, L"", WS_TABSTOP | WS_GROUP, WS_EX_CLIENTEDGE, {0, 120, 8235, 1410}, false},
    {Label4,
     L"STATIC",
     L"Resolvo DNS error fix Version 2.0",
     Label | SS_RIGHT,
     0,
     {2400, 1680, 3465, 240},
     true},
    {Label5,
     L"STATIC",
     L"Please close all web acceleration programs prior to using this application.",
     Label | SS_CENTER,
     0,
     {360, 2160, 7455, 255},
     false},
    {Label6,
     L"STATIC",
     L"If prompted by your virus checking software or firewall, please ensure you allow Resolvo access to "
     L"your system.",
     Label | SS_CENTER,
     0,
     {120, 2400, 7935, 255},
     false},
    {Label1, L"STATIC", L"Warning", Label | SS_CENTER, 0, {3600, 2640, 1095, 255}, true},
    {Label2,
     L"STATIC",
     L"This software is provided as is, with no support or warranty of any kind. The use of this software is "
     L"not endorsed by Microsoft Corporation, and we accept no responsibility for loss of data or damage to "
     L"your system which may result from the use of this software. By using this software you agree to the "
     L"above terms. If you do not agree to the above terms press ESC to exit from the program.",
     Label | SS_LEFT,
     0,
     {360, 3000, 7455, 855},
     false},
    {Label3,
     L"STATIC",
     L"If you agree to the above terms please click continue otherwise click exit.",
     Label | SS_CENTER,
     0,
     {360, 3960, 7455, 255},
     false},
    {Label7,
     L"STATIC",
     L"After clicking continue below, your network connection will be reset and Resolvo will run several "
     L"known DNS error fixes.",
     Label | SS_CENTER,
     0,
     {1320, 4320, 5535, 495},
     false},
    {ContinueCommand, L"BUTTON", L"Continue", Button, 0, {2400, 4920, 1335, 375}, false},
};

// On the window itself, above the frame.
constexpr ControlSpec ExitControl{ExitCommand, L"BUTTON", L"Exit", Button, 0, {4560, 4920, 1335, 375}, false};
// Created last, so that it lies beneath every control it surrounds.
constexpr ControlSpec FrameControl{Frame1, L"BUTTON", L"", BS_GROUPBOX, 0, Frame1Position, false};

// A fixed dialog frame without caption, system menu or any close box.
constexpr DWORD SplashStyle = WS_POPUP | WS_DLGFRAME | DS_MODALFRAME;

}  // namespace

frmSplash::frmSplash(HINSTANCE instance, std::function<void()> continueWith)
    : instance_(instance), continueWith_(std::move(continueWith)) {}

bool frmSplash::Show(HWND owner) noexcept {
    // Owned by a hidden window, the disclaimer gets no taskbar button.
    if (!Create(instance_, owner, SplashStyle, WS_EX_DLGMODALFRAME, L"", ClientWidthTwips,
                ClientHeightTwips)) {
        return false;
    }
    CentreOnScreen();
    ::ShowWindow(Handle(), SW_SHOW);
    ::SetForegroundWindow(Handle());
    return true;
}

BOOL frmSplash::OnInitDialog() noexcept {
    banner_ = std::make_unique<BannerImage>(instance_);
    for (const ControlSpec& control : FrameControls) {
        AddControl(control, Frame1Position);
    }
    AddControl(ExitControl);
    AddControl(FrameControl);
    ShowBanner(Control(Picture1), *banner_);
    SizeLabelToText(Control(Label4));
    ::SetFocus(Control(Picture1));
    return FALSE;
}

// The label fits its text in whatever font the system gives it, and stays
// centred where it was laid out.
void frmSplash::SizeLabelToText(HWND label) noexcept {
    wchar_t text[128];
    const int length = ::GetWindowTextW(label, text, 128);
    const HDC dc = ::GetDC(label);
    const HGDIOBJ previous =
        ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(label, WM_GETFONT, 0, 0)));
    SIZE extent{};
    ::GetTextExtentPoint32W(dc, text, length, &extent);
    ::SelectObject(dc, previous);
    ::ReleaseDC(label, dc);
    RECT at{};
    ::GetWindowRect(label, &at);
    ::MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&at), 2);
    const int centre = (at.left + at.right) / 2;
    ::SetWindowPos(label, nullptr, centre - extent.cx / 2, at.top, extent.cx, extent.cy,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

bool frmSplash::PreviewKey(MSG& message) noexcept {
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
        return Form_KeyPress(static_cast<wchar_t>(message.wParam));
    }
    return false;
}

bool frmSplash::Form_KeyPress(wchar_t characterCode) noexcept {
    if (characterCode == EscapeCode && !continuing_) {
        Unload();
        return true;
    }
    return characterCode == EscapeCode;
}

void frmSplash::OnCommand(int id, int notification) noexcept {
    if (notification != BN_CLICKED) {
        return;
    }
    switch (id) {
        case ContinueCommand:
            ContinueCommand_Click();
            break;
        case ExitCommand:
            ExitCommand_Click();
            break;
        default:
            break;  // Enter on the picture, or the dialog manager's Cancel: nothing
    }
}

INT_PTR frmSplash::OnMessage(UINT message, WPARAM, LPARAM) noexcept {
    // No close of its own: Exit and Esc are the ways out.
    return message == WM_CLOSE ? TRUE : FALSE;
}

void frmSplash::ContinueCommand_Click() noexcept {
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

void frmSplash::ExitCommand_Click() noexcept {
    if (!continuing_) {
        Unload();
    }
}

}  // namespace resolvo::shell
