#pragma once

#include <windows.h>

#include <string>

#include "port/MainWindowAccess.h"
#include "ui/DialogWindow.h"
#include "win32/Handles.h"

namespace resolvo::ui {

// The window in which the user names the site that will not load and starts
// the fix. It raises its two actions and knows nothing of what they do.
class MainWindow final : public DialogWindow, public MainWindowAccess {
public:
    MainWindow(HINSTANCE instance, const MainWindowActions& actions);
    ~MainWindow() override { Unload(); }

    // Loads the window, runs its load action while it is still hidden, and
    // then shows it.
    bool Show() noexcept;

    std::string ReadWebAddress() override;
    WindowId Window() const override;

private:
    BOOL OnInitDialog() noexcept override;

    void OnLoad() noexcept;
    void OnFixIt() noexcept;
    void OnCancel() noexcept;
    void RunAction(const WindowAction& action) noexcept;
    void ShowProgramFault() noexcept;
    void SetIcons() noexcept;
    void FocusAddressAtEnd() noexcept;

    HINSTANCE instance_;
    const MainWindowActions& actions_;
    win32::UniqueIcon bigIcon_;
    win32::UniqueIcon smallIcon_;
    bool running_ = false;
};

}  // namespace resolvo::ui
