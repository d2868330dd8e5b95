#include "fix/Launch.h"

#include <algorithm>
#include <cstddef>

#include "port/Paths.h"
#include "port/Step.h"

namespace resolvo::fix {

namespace {

// CreateProcessWithTokenW takes a command line of at most 1,024 characters;
// its terminating null is counted in, as CreateProcessW counts it in its
// own limit.
constexpr std::size_t ShellUserCommandLimit = 1024;

// Windows counts UTF-16 units: one for each UTF-8 character, two for one of
// four bytes (beyond the Basic Multilingual Plane).
std::size_t Utf16Length(const std::string& text) noexcept {
    const auto starts = std::count_if(text.begin(), text.end(),
                                      [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
    const auto pairs =
        std::count_if(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0xF0; });
    return static_cast<std::size_t>(starts + pairs);
}

// Windows XP knows no elevation: an administrator there has no lesser token
// to start anything with. A token that cannot be asked might be an
// administrator's: nothing is started with it.
bool IsElevated(Platform& platform) {
    Elevation elevation = Elevation::Elevated;
    RunStep([&] { elevation = platform.ProgramElevation(); });
    return elevation == Elevation::Elevated;
}

}  // namespace

Launch StartProgramUnelevated(Platform& platform, const std::string& program, const std::string& arguments) {
    const std::string command = Quoted(program) + " " + arguments;
    if (!IsElevated(platform)) {
        platform.RunCommand(command, WindowStyle::NormalFocus, NoWait);
        return Launch::Started;
    }
    if (RunStep([&] { platform.OpenAsDesktopUser(program, arguments); })) {
        return Launch::Started;
    }
    if (Utf16Length(command) >= ShellUserCommandLimit) {
        return Launch::TooLong;
    }
    return RunStep([&] { platform.RunAsShellUser(command); }) ? Launch::Started : Launch::OnlyWithRights;
}

// The shell process's token has no program to start here: the default
// browser is whatever the shell opens web addresses with.
Launch OpenAddressUnelevated(Platform& platform, const std::string& address) {
    if (!IsElevated(platform)) {
        platform.OpenAddress(address);
        return Launch::Started;
    }
    return RunStep([&] { platform.OpenAsDesktopUser(address, {}); }) ? Launch::Started
                                                                     : Launch::OnlyWithRights;
}

}  // namespace resolvo::fix
