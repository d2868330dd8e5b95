#pragma once

#include <windows.h>

#include <memory>

#include "port/MainWindowAccess.h"
#include "ui/DisclaimerWindow.h"
#include "ui/MainWindow.h"
#include "win32/Handles.h"

namespace resolvo::ui {

// The class of a hidden window that every running copy has: a second copy
// finds the first by it and posts it ActivateMessage, on which the first
// brings its window to the front.
inline constexpr const wchar_t* ApplicationClass = L"Resolvo.Application";
inline constexpr UINT ActivateMessage = WM_APP + 1;

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
    static LRESULT CALLBACK HiddenProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    void CreateHiddenOwner() noexcept;
    void BringToFront() noexcept;
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
