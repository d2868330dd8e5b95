#include "app/SingleCopy.h"

#include "ui/Application.h"

namespace resolvo::app {

namespace {

constexpr const wchar_t* MutexName = L"Global\\Resolvo.RunningCopy.{6f1c8e2a-93d4-4b57-a0e1-5c2d7b9f4e31}";

}  // namespace

// A mutex that exists already is another copy's. One made by another user's
// copy may not even be opened (access denied): it is another copy all the
// same. Any other failure lets the program run, as it would have anyway.
SingleCopy::SingleCopy() noexcept : mutex_(::CreateMutexW(nullptr, FALSE, MutexName)) {
    const DWORD error = ::GetLastError();
    first_ = mutex_ ? error != ERROR_ALREADY_EXISTS : error != ERROR_ACCESS_DENIED;
}

// The running copy may take the foreground only if this one, which the user
// has just started and which has it, allows it.
void SingleCopy::ActivateRunningCopy() noexcept {
    const HWND running = ::FindWindowW(ui::ApplicationClass, nullptr);
    if (running == nullptr) {
        return;
    }
    DWORD process = 0;
    ::GetWindowThreadProcessId(running, &process);
    ::AllowSetForegroundWindow(process);
    ::PostMessageW(running, ui::ActivateMessage, 0, 0);
}

}  // namespace resolvo::app
