#pragma once

#include "fix/MainModule.h"
#include "namefiles/FileHandler.h"
#include "platform/Platform.h"
#include "shell/FormActions.h"
#include "winsock/Winsock.h"

namespace resolvo {

// The program's modules for one run, with the main window's two actions
// connected to their procedures before any window is shown.
class Program {
public:
    explicit Program(Platform& platform);
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    MainFormActions& Actions() noexcept { return actions_; }

private:
    FileHandler fileHandler_;
    MainModule mainModule_;
    Winsock winsock_;
    MainFormActions actions_;
};

}  // namespace resolvo
