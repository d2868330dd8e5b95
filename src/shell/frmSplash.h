#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "shell/BannerPicture.h"
#include "shell/DialogWindow.h"

namespace resolvo::shell {

// The disclaimer shown at start: Continue leads on to the main window, Exit
// or Esc ends the program having changed nothing.
class frmSplash final : public DialogWindow {
public:
    // continueWith shows the main window; it returns once that window is on
    // screen, and the disclaimer is unloaded after it.
    frmSplash(HINSTANCE instance, std::function<void()> continueWith);

    bool Show(HWND owner) noexcept;
    // The window sees every key before its controls do. Returns true for a
    // message it has dealt with.
    bool PreviewKey(MSG& message) noexcept;

private:
    BOOL OnInitDialog() noexcept override;
    void OnCommand(int id, int notification) noexcept override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept override;

    bool Form_KeyPress(wchar_t characterCode) noexcept;
    void ContinueCommand_Click() noexcept;
    void ExitCommand_Click() noexcept;
    void SizeLabelToText(HWND label) noexcept;

    HINSTANCE instance_;
    std::function<void()> continueWith_;
    std::unique_ptr<BannerImage> banner_;
    bool continuing_ = false;
};

}  // namespace resolvo::shell
