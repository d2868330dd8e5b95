#pragma once

#include <string_view>

#include "fix/ExtractHost.h"
#include "namefiles/FileHandler.h"
#include "platform/Platform.h"
#include "shell/FormActions.h"

namespace resolvo {

// The host of the product's web site, whose free-scan page is offered when a
// fix did not help. Fixed at build time.
extern const std::string_view FreeScanHost;

// The Fix It procedure: repair the name files for the typed site, flush the
// resolver cache, open the site and ask whether it loaded.
class MainModule {
public:
    MainModule(Platform& platform, FileHandler& fileHandler)
        : platform_(platform), fileHandler_(fileHandler) {}

    void RunFix(MainWindowAccess& window);

private:
    void OpenInBrowser(std::string_view address);

    Platform& platform_;
    FileHandler& fileHandler_;
};

}  // namespace resolvo
