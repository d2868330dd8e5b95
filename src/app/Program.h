#pragma once

#include <string>

#include "fix/SiteFixer.h"
#include "namefiles/NameFileRepair.h"
#include "port/MainWindowAccess.h"
#include "port/Platform.h"
#include "winsock/WinsockReset.h"

namespace resolvo::app {

// The procedures of one run, with the main window's two actions connected to
// them before any window is shown.
class Program {
public:
    // runTag names the run's temporary files.
    Program(Platform& platform, std::string runTag);
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    const MainWindowActions& Actions() const noexcept { return actions_; }

private:
    namefiles::NameFileRepair nameFiles_;
    fix::SiteFixer siteFixer_;
    winsock::WinsockReset winsockReset_;
    MainWindowActions actions_;
};

}  // namespace resolvo::app
