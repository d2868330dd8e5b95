#pragma once

#include <windows.h>

#include <string>

#include "platform/Win32Handles.h"
#include "shell/DialogWindow.h"
#include "shell/FormActions.h"

namespace resolvo::shell {

// The window in which the user names the site that will not load and starts
// the fix. It raises its two actions and knows nothing of what they do.
class MainForm final : public DialogWindow, public MainWindowAccess {
public:
    MainForm(HINSTANCE instance, const MainFormActions& actions);

    // Loads the window, runs its load action while it is still hidden, and
    // then shows it.
    bool Show() noexcept;

    std::string ReadWebAddress() override;
    WindowId Window() const override;

private:
    BOOL OnInitDialog() noexcept override;
    void OnCommand(int id, int notification) noexcept override;
    void Form_Unload() noexcept override;

    void Form_Load() noexcept;
    void FixItButton_Click() noexcept;
    void Cancel_Click() noexcept;
    void RunAction(const FormAction& action) noexcept;
    void SetIcons() noexcept;
    void FocusAddressAtEnd() noexcept;

    HINSTANCE instance_;
    const MainFormActions& actions_;
    win32::UniqueIcon bigIcon_;
    win32::UniqueIcon smallIcon_;
    bool running_ = false;
};

}  // namespace resolvo::shell
