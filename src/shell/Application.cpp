#include "shell/Application.h"

#include "shell/BannerPicture.h"

namespace resolvo::shell {

Application::Application(HINSTANCE instance, const MainFormActions& actions)
    : instance_(instance), actions_(actions) {}

Application::~Application() {
    splash_.reset();
    mainForm_.reset();
    if (hiddenOwner_ != nullptr) {
        ::DestroyWindow(hiddenOwner_);
    }
}

int Application::Run() noexcept {
    RegisterBannerPicture(instance_);
    // A window that is never shown owns the disclaimer, which keeps it out of
    // the taskbar.
    hiddenOwner_ = ::CreateWindowExW(0, L"STATIC", L"Resolvo 2.0", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                     instance_, nullptr);
    splash_ = std::make_unique<frmSplash>(instance_, [this] { ShowMainForm(); });
    splash_->OnUnloaded([this] { FormUnloaded(); });
    if (!splash_->Show(hiddenOwner_)) {
        return 1;
    }
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (splash_->PreviewKey(message) || IsDialogMessageOfOurs(message)) {
            continue;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

bool Application::IsDialogMessageOfOurs(MSG& message) noexcept {
    for (DialogWindow* form :
         {static_cast<DialogWindow*>(splash_.get()), static_cast<DialogWindow*>(mainForm_.get())}) {
        if (form != nullptr && form->IsLoaded() &&
            (message.hwnd == form->Handle() || ::IsChild(form->Handle(), message.hwnd)) &&
            ::IsDialogMessageW(form->Handle(), &message)) {
            return true;
        }
    }
    return false;
}

void Application::ShowMainForm() noexcept {
    mainForm_ = std::make_unique<MainForm>(instance_, actions_);
    mainForm_->OnUnloaded([this] { FormUnloaded(); });
    mainForm_->Show();
}

void Application::FormUnloaded() noexcept {
    const bool splashLoaded = splash_ != nullptr && splash_->IsLoaded();
    const bool mainLoaded = mainForm_ != nullptr && mainForm_->IsLoaded();
    if (!splashLoaded && !mainLoaded) {
        ::PostQuitMessage(0);
    }
}

}  // namespace resolvo::shell
