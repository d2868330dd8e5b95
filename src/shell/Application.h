#pragma once

#include <windows.h>

#include <memory>

#include "shell/FormActions.h"
#include "shell/MainForm.h"
#include "shell/frmSplash.h"

namespace resolvo::shell {

// The run of the program's windows: the disclaimer first, then the main
// window; the program ends when no window is left.
class Application {
public:
    Application(HINSTANCE instance, const MainFormActions& actions);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Shows the disclaimer and runs the message loop; returns the exit code.
    int Run() noexcept;

private:
    void ShowMainForm() noexcept;
    void FormUnloaded() noexcept;
    bool IsDialogMessageOfOurs(MSG& message) noexcept;

    HINSTANCE instance_;
    const MainFormActions& actions_;
    HWND hiddenOwner_ = nullptr;
    std::unique_ptr<frmSplash> splash_;
    std::unique_ptr<MainForm> mainForm_;
};

}  // namespace resolvo::shell
