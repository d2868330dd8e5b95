#pragma once

#include <windows.h>

#include <memory>

#include "port/MainWindowAccess.h"
#include "ui/DisclaimerWindow.h"
#include "ui/MainWindow.h"
#include "win32/Handles.h"

namespace resolvo::ui {

// The run of the program's windows: the disclaimer first, then the main
// window; the program ends when no window is left.
class Application {
public:
    Application(HINSTANCE instance, const MainWindowActions& actions);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Shows the disclaimer and runs the message loop; returns the exit code.
    int Run() noexcept;

private:
    void ShowMainWindow() noexcept;
    void WindowUnloaded() noexcept;
    bool IsDialogMessageOfOurs(MSG& message) noexcept;

    HINSTANCE instance_;
    const MainWindowActions& actions_;
    win32::UniqueWindow hiddenOwner_;
    std::unique_ptr<DisclaimerWindow> disclaimer_;
    std::unique_ptr<MainWindow> mainWindow_;
};

}  // namespace resolvo::ui
