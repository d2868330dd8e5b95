#include "ui/Application.h"

#include "ui/Banner.h"

namespace resolvo::ui {

Application::Application(HINSTANCE instance, const MainWindowActions& actions)
    : instance_(instance), actions_(actions) {}

// The windows go before the hidden window that owns the disclaimer.
Application::~Application() {
    disclaimer_.reset();
    mainWindow_.reset();
}

int Application::Run() noexcept {
    RegisterBannerClass(instance_);
    // A window that is never shown owns the disclaimer, which keeps it out of
    // the taskbar.
    hiddenOwner_.Reset(
        ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance_, nullptr));
    disclaimer_ = std::make_unique<DisclaimerWindow>(instance_, [this] { ShowMainWindow(); });
    disclaimer_->OnUnloaded([this] { WindowUnloaded(); });
    if (!disclaimer_->Show(hiddenOwner_.Get())) {
        return 1;
    }
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (disclaimer_->PreviewKey(message) || IsDialogMessageOfOurs(message)) {
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
