#include "fix/Launch.h"

#include "port/Paths.h"
#include "port/Step.h"

namespace resolvo::fix {

namespace {

bool OpenedAsDesktopUser(Platform& platform, const std::string& file, const std::string& parameters) {
    return platform.IsElevated() && RunStep([&] { platform.OpenAsDesktopUser(file, parameters); });
}

}  // namespace

void StartProgramUnelevated(Platform& platform, const std::string& program, const std::string& arguments) {
    if (!OpenedAsDesktopUser(platform, program, arguments)) {
        platform.RunCommand(Quoted(program) + " " + arguments, WindowStyle::NormalFocus, false);
    }
}

void OpenAddressUnelevated(Platform& platform, const std::string& address) {
    if (!OpenedAsDesktopUser(platform, address, {})) {
        platform.OpenAddress(address);
    }
}

}  // namespace resolvo::fix
