#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "ui/Banner.h"
#include "ui/DialogWindow.h"

namespace resolvo::ui {

// The disclaimer shown at start: Continue leads on to the main window, Exit
// or Esc ends the program having changed nothing.
class DisclaimerWindow final : public DialogWindow {
public:
    // continueWith shows the main window; it returns once that window is on
    // screen, and the disclaimer is unloaded after it.
    DisclaimerWindow(HINSTANCE instance, std::function<void()> continueWith);
    ~DisclaimerWindow() override { Unload(); }

    bool Show(HWND owner) noexcept;
    // The window sees every key before its controls do. Returns true for a
    // message it has dealt with.
    bool PreviewKey(MSG& message) noexcept;

private:
    BOOL OnInitDialog() noexcept override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept override;
    void OnRelayout() noexcept override;

    bool OnKeyPress(wchar_t characterCode) noexcept;
    void OnContinue() noexcept;
    void OnExit() noexcept;
    void SizeLabelToText(HWND label) noexcept;

    HINSTANCE instance_;
    std::function<void()> continueWith_;
    std::unique_ptr<BannerImage> banner_;
    bool continuing_ = false;
};

}  // namespace resolvo::ui
