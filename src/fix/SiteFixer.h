#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "namefiles/NameFileRepair.h"
#include "port/MainWindowAccess.h"
#include "port/Platform.h"

namespace resolvo::fix {

// The host of the product's web site, whose free-scan page is offered when a
// fix did not help. Fixed at build time.
extern const std::string_view FreeScanHost;

// Fixes the site typed in the main window: repairs the name files for its
// host, flushes the resolver cache, opens the site and asks whether it loaded.
class SiteFixer {
public:
    SiteFixer(Platform& platform, namefiles::NameFileRepair& nameFiles)
        : platform_(platform), nameFiles_(nameFiles) {}

    void RunFix(MainWindowAccess& window);

private:
    // Says, once in a run, where Windows reads the files from an unusual folder.
    void RepairNameFiles(const std::string& host);
    std::optional<std::string> InternetExplorerPath();
    void OpenInBrowser(const std::string& address);

    Platform& platform_;
    namefiles::NameFileRepair& nameFiles_;
    // Whether this run has said that Windows reads the name files from an
    // unusual folder.
    bool folderTold_ = false;
};

}  // namespace resolvo::fix
