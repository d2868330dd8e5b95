#include "fix/Launch.h"

#include "port/Paths.h"
#include "port/Step.h"

namespace resolvo::fix {

namespace {

// A token that cannot be asked might be an administrator's: nothing is
// started with it.
bool IsElevated(Platform& platform) {
    Elevation elevation = Elevation::Full;
    RunStep([&] { elevation = platform.ElevationType(); });
    return elevation == Elevation::Full;
}

}  // namespace

bool StartProgramUnelevated(Platform& platform, const std::string& program, const std::string& arguments) {
    const std::string command = Quoted(program) + " " + arguments;
    if (!IsElevated(platform)) {
        platform.RunCommand(command, WindowStyle::NormalFocus, NoWait);
        return true;
    }
    return RunStep([&] { platform.OpenAsDesktopUser(program, arguments); }) ||
           RunStep([&] { platform.RunAsShellUser(command); });
}

// The shell process's token has no program to start here: the default
// browser is whatever the shell opens web addresses with.
bool OpenAddressUnelevated(Platform& platform, const std::string& address) {
    if (!IsElevated(platform)) {
        platform.OpenAddress(address);
        return true;
    }
    return RunStep([&] { platform.OpenAsDesktopUser(address, {}); });
}

}  // namespace resolvo::fix
