#pragma once

#include <string>
#include <string_view>

#include "namefiles/FileHandler.h"
#include "platform/Platform.h"
#include "shell/FormActions.h"

namespace resolvo {

// The host part of a typed web address, or "" when it holds no usable host.
std::string ExtractHost(std::string_view address) noexcept;

// The Fix It procedure: repair the name files for the typed site, flush the
// resolver cache, open the site and ask whether it loaded.
class MainModule {
public:
    MainModule(Platform& platform, FileHandler& fileHandler) : platform_(platform), fileHandler_(fileHandler) {}

    void RunFix(MainWindowAccess& window);

private:
    Platform& platform_;
    FileHandler& fileHandler_;
};

}  // namespace resolvo
