#include "ui/Application.h"

#include "ui/Banner.h"
#include "win32/MessagePump.h"
#include "win32/WindowObject.h"

namespace resolvo::ui {

namespace {

// A held-down Enter or Space repeats, and each repeat would press the
// focused button again: one press, one action. Keys held in the address box
// still repeat there.
bool IsRepeatOutsideTextBox(const MSG& message) noexcept {
    wchar_t className[8] = {};
    ::GetClassNameW(message.hwnd, className, 8);
    return win32::IsAutoRepeatedKey(message) && ::lstrcmpiW(className, L"Edit") != 0;
}

}  // namespace

Application::Application(HINSTANCE instance, const MainWindowActions& actions)
    : instance_(instance), actions_(actions) {}

// The windows go before the hidden window that owns the disclaimer.
Application::~Application() {
    disclaimer_.reset();
    mainWindow_.reset();
}

int Application::Run() noexcept {
    RegisterBannerClass(instance_);
    CreateHiddenOwner();
    disclaimer_ = std::make_unique<DisclaimerWindow>(instance_, [this] { ShowMainWindow(); });
    disclaimer_->OnUnloaded([this] { WindowUnloaded(); });
    if (!disclaimer_->Show(hiddenOwner_.Get())) {
        return 1;
    }
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (IsRepeatOutsideTextBox(message) || disclaimer_->PreviewKey(message) ||
            IsDialogMessageOfOurs(message)) {
            continue;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

bool Application::IsDialogMessageOfOurs(MSG& message) noexcept {
    for (DialogWindow* window :
         {static_cast<DialogWindow*>(disclaimer_.get()), static_cast<DialogWindow*>(mainWindow_.get())}) {
        if (window != nullptr && window->IsLoaded() &&
            (message.hwnd == window->Handle() || ::IsChild(window->Handle(), message.hwnd)) &&
            ::IsDialogMessageW(window->Handle(), &message)) {
            return true;
        }
    }
    return false;
}

// A window that is never shown owns the disclaimer, which keeps it out of
// the taskbar, and answers a second copy of the program.
void Application::CreateHiddenOwner() noexcept {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = HiddenProcedure;
    windowClass.hInstance = instance_;
    windowClass.lpszClassName = ApplicationClass;
    ::RegisterClassW(&windowClass);
    hiddenOwner_.Reset(
        ::CreateWindowExW(0, ApplicationClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance_, this));
}

LRESULT CALLBACK Application::HiddenProcedure(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        win32::AttachObject(window, GWLP_USERDATA, static_cast<Application*>(creation->lpCreateParams));
    }
    auto* self = win32::AttachedObject<Application>(window, GWLP_USERDATA);
    if (message == ActivateMessage && self != nullptr) {
        self->BringToFront();
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

// The window the user works in now comes to the front; a message box it
// shows comes with it.
void Application::BringToFront() noexcept {
    const bool mainShown =
        mainWindow_ != nullptr && mainWindow_->IsLoaded() && ::IsWindowVisible(mainWindow_->Handle());
    const HWND window = mainShown                ? mainWindow_->Handle()
                        : disclaimer_ != nullptr ? disclaimer_->Handle()
                                                 : nullptr;
    if (window == nullptr) {
        return;
    }
    if (::IsIconic(window)) {
        ::ShowWindow(window, SW_RESTORE);
    }
    const HWND popup = ::GetLastActivePopup(window);
    ::SetForegroundWindow(popup != nullptr ? popup : window);
}

void Application::ShowMainWindow() noexcept {
    mainWindow_ = std::make_unique<MainWindow>(instance_, actions_);
    mainWindow_->OnUnloaded([this] { WindowUnloaded(); });
    mainWindow_->Show();
}

void Application::WindowUnloaded() noexcept {
    const bool disclaimerLoaded = disclaimer_ != nullptr && disclaimer_->IsLoaded();
    const bool mainLoaded = mainWindow_ != nullptr && mainWindow_->IsLoaded();
    if (!disclaimerLoaded && !mainLoaded) {
        ::PostQuitMessage(0);
    }
}

}  // namespace resolvo::ui
