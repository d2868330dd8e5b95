#include "shell/MainForm.h"

#include <exception>

#include "ResourceIds.h"
#include "platform/Win32MessagePump.h"
#include "platform/Win32Text.h"

namespace resolvo::shell {

namespace {

enum ControlId : int {
    WebAddress = 201,
    WebLabel = 202,
    Cancel = IDCANCEL,  // Esc and the close box press it
    FixItButton = 204,
};

constexpr int ClientWidthTwips = 4095;
constexpr int ClientHeightTwips = 1575;

// In tab order. Neither button is the default one, so Enter presses nothing.
constexpr ControlSpec Controls[] = {
    {WebAddress,
     L"EDIT",
     L"http://",
     ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP,
     WS_EX_CLIENTEDGE,
     {360, 480, 3375, 285},
     false},
    {WebLabel,
     L"STATIC",
     L"Type website to fix below",
     SS_LEFT | SS_NOPREFIX,
     0,
     {360, 240, 3615, 255},
     false},
    {Cancel, L"BUTTON", L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, 0, {360, 960, 1575, 495}, false},
    {FixItButton, L"BUTTON", L"Fix It", BS_PUSHBUTTON | WS_TABSTOP, 0, {2160, 960, 1575, 495}, false},
};

// A fixed single border with caption and close box, no minimise or maximise.
constexpr DWORD MainStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;

}  // namespace

MainForm::MainForm(HINSTANCE instance, const MainFormActions& actions)
    : instance_(instance), actions_(actions) {}

bool MainForm::Show() noexcept {
    if (!Create(instance_, nullptr, MainStyle, WS_EX_APPWINDOW, L"Resolvo 2.0", ClientWidthTwips,
                ClientHeightTwips)) {
        return false;
    }
    CentreOnScreen();
    Form_Load();
    if (!IsLoaded()) {
        return false;
    }
    ::ShowWindow(Handle(), SW_SHOW);
    ::SetForegroundWindow(Handle());
    FocusAddressAtEnd();
    return true;
}

BOOL MainForm::OnInitDialog() noexcept {
    for (const ControlSpec& control : Controls) {
        AddControl(control);
    }
    ::SendMessageW(Control(WebAddress), EM_SETLIMITTEXT, 0, 0);  // 0: as long as Windows allows
    SetIcons();
    return TRUE;
}

void MainForm::SetIcons() noexcept {
    bigIcon_.Reset(static_cast<HICON>(::LoadImageW(instance_, MAKEINTRESOURCEW(IDI_RESOLVO), IMAGE_ICON,
                                                   ::GetSystemMetrics(SM_CXICON),
                                                   ::GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR)));
    smallIcon_.Reset(static_cast<HICON>(::LoadImageW(instance_, MAKEINTRESOURCEW(IDI_RESOLVO), IMAGE_ICON,
                                                     ::GetSystemMetrics(SM_CXSMICON),
                                                     ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR)));
    ::SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.Get()));
    ::SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.Get()));
}

// The caret waits after "http://", ready for the rest of the address.
void MainForm::FocusAddressAtEnd() noexcept {
    const HWND address = Control(WebAddress);
    ::SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(address), TRUE);
    const auto length = static_cast<WPARAM>(::GetWindowTextLengthW(address));
    ::SendMessageW(address, EM_SETSEL, length, static_cast<LPARAM>(length));
}

std::string MainForm::ReadWebAddress() {
    const HWND address = Control(WebAddress);
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(address)) + 1, L'\0');
    const int length = ::GetWindowTextW(address, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return win32::Narrow(text);
}

WindowId MainForm::Window() const {
    return WindowId{reinterpret_cast<std::uintptr_t>(Handle())};
}

void MainForm::OnCommand(int id, int notification) noexcept {
    if (notification != BN_CLICKED) {
        return;
    }
    switch (id) {
        case FixItButton:
            FixItButton_Click();
            break;
        case Cancel:
            Cancel_Click();
            break;
        default:
            break;
    }
}

void MainForm::Form_Load() noexcept {
    RunAction(actions_.Load);
}

void MainForm::FixItButton_Click() noexcept {
    if (!running_) {
        RunAction(actions_.FixIt);
    }
}

// Input made while an action runs is dropped, so one click never starts a
// second run; nothing an action raises may leave the window procedure.
void MainForm::RunAction(const FormAction& action) noexcept {
    running_ = true;
    try {
        action.Raise(*this);
    } catch (const std::exception&) {
    }
    win32::DropPendingInput();
    running_ = false;
}

void MainForm::Cancel_Click() noexcept {
    if (!running_) {
        Unload();
    }
}

// The fixes stay as they are: nothing is undone when the window closes.
void MainForm::Form_Unload() noexcept {}

}  // namespace resolvo::shell
