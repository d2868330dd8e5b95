#include "ui/MainWindow.h"

#include <exception>

#include "ResourceIds.h"
#include "win32/MessagePump.h"
#include "win32/Text.h"
#include "win32/Win32Platform.h"

namespace resolvo::ui {

namespace {

enum ControlId : int {
    AddressBox = 201,
    AddressLabel = 202,
    CancelButton = IDCANCEL,  // Esc and the close box press it
    FixItButton = 204,
};

// The longest web address that browsers take, Internet Explorer's.
constexpr WPARAM LongestAddress = 2048;

constexpr char ProgramFaultMessage[] =
    "Resolvo stopped because of an error in the program itself. No file was left half written. "
    "You can press Fix It again, or Cancel to close Resolvo.";

// The label comes before the box it names, which is how Windows' screen
// reader support finds a text box's name; being no tab stop, it leaves the
// box the first control in tab order. Neither button is the default one, so
// Enter presses nothing.
constexpr ControlLayout Controls[] = {
    {AddressLabel,
     L"STATIC",
     L"Type website to fix below",
     SS_LEFT | SS_NOPREFIX,
     0,
     MainAddressLabel,
     false},
    {AddressBox,
     L"EDIT",
     L"http://",
     ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP,
     WS_EX_CLIENTEDGE,
     MainAddressBox,
     false},
    {CancelButton, L"BUTTON", L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, 0, MainCancel, false},
    {FixItButton, L"BUTTON", L"Fix It", BS_PUSHBUTTON | WS_TABSTOP, 0, MainFixIt, false},
};

// A fixed single border with caption and close box, no minimise or maximise.
constexpr DWORD MainStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, const MainWindowActions& actions)
    : instance_(instance), actions_(actions) {
    OnClick(FixItButton, [this] { OnFixIt(); });
    OnClick(CancelButton, [this] { OnCancel(); });
}

bool MainWindow::Show() noexcept {
    if (!Create(instance_, nullptr, MainStyle, WS_EX_APPWINDOW, win32::Widen(ApplicationTitle),
                MainClient.width, MainClient.height)) {
        return false;
    }
    CentreOnScreen();
    OnLoad();
    if (!IsLoaded()) {
        return false;
    }
    ::ShowWindow(Handle(), SW_SHOW);
    ::SetForegroundWindow(Handle());
    FocusAddressAtEnd();
    RunAction(actions_.Shown);
    return true;
}

BOOL MainWindow::OnInitDialog() noexcept {
    for (const ControlLayout& control : Controls) {
        AddControl(control);
    }
    ::SendMessageW(Control(AddressBox), EM_SETLIMITTEXT, LongestAddress, 0);
    SetIcons();
    return TRUE;
}

void MainWindow::SetIcons() noexcept {
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
void MainWindow::FocusAddressAtEnd() noexcept {
    const HWND address = Control(AddressBox);
    ::SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(address), TRUE);
    const auto length = static_cast<WPARAM>(::GetWindowTextLengthW(address));
    ::SendMessageW(address, EM_SETSEL, length, static_cast<LPARAM>(length));
}

std::string MainWindow::ReadWebAddress() {
    const HWND address = Control(AddressBox);
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(address)) + 1, L'\0');
    const int length = ::GetWindowTextW(address, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return win32::Narrow(text);
}

WindowId MainWindow::Window() const {
    return WindowId{reinterpret_cast<std::uintptr_t>(Handle())};
}

void MainWindow::OnLoad() noexcept {
    RunAction(actions_.Load);
}

void MainWindow::OnFixIt() noexcept {
    if (!running_) {
        RunAction(actions_.FixIt);
    }
}

// Input made while an action runs is dropped, so one click never starts a
// second run; nothing an action raises may leave the window procedure.
// The procedures take every failure of the system as a step that failed; an
// exception that reaches this handler is a fault of the program. The user
// hears of it and the window goes on: every file the procedures write is
// written whole through a temporary file, and a fault on the way leaves each
// one as it was or as repaired (its marks restored), with no more than a
// temporary file that the next fix removes. Ending the program would only
// take the window away with no word of why.
void MainWindow::RunAction(const WindowAction& action) noexcept {
    running_ = true;
    try {
        action.Raise(*this);
    } catch (const std::exception&) {
        ShowProgramFault();
    }
    win32::DropPendingInput();
    running_ = false;
}

void MainWindow::ShowProgramFault() noexcept {
    try {
        win32::Win32Platform().ShowMessage(ProgramFaultMessage, MessageKind::Critical);
    } catch (const std::exception&) {
    }
}

void MainWindow::OnCancel() noexcept {
    if (!running_) {
        Unload();
    }
}

}  // namespace resolvo::ui
