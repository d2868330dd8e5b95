#pragma once

#include <string>

#include "port/Platform.h"

namespace resolvo::fix {

// How a start without this program's administrator rights ended: started,
// or not, because only those rights were left to start it with, or because
// its command line was longer than the one route left could take.
enum class Launch { Started, OnlyWithRights, TooLong };

// Start a program that the user works in (the browser) never with this
// program's administrator rights. With an elevated token the program starts
// only as the desktop user: through the desktop's shell, or else with the
// shell process's token; where neither could, nothing is started. Without
// one (a plain user, an administrator's filtered token, Windows XP) there
// are no lesser rights to start it with, and it starts as a command line of
// its own, in a normal window with the focus. A program that could not be
// started at all raises the failure.
Launch StartProgramUnelevated(Platform& platform, const std::string& program, const std::string& arguments);
// Opens a web address in the default browser in the same way.
Launch OpenAddressUnelevated(Platform& platform, const std::string& address);

}  // namespace resolvo::fix
