#pragma once

#include <string>

#include "port/Platform.h"

namespace resolvo::fix {

// Start a program that the user works in (the browser) never with this
// program's administrator rights. With an elevated token the program starts
// only as the desktop user: through the desktop's shell, or else with the
// shell process's token; both return false where neither could, and nothing
// is started. Without one (Windows XP, UAC off, a plain user) there are no
// lesser rights to start it with, and it starts as a command line of its
// own, in a normal window with the focus. A program that could not be
// started at all raises the failure.
bool StartProgramUnelevated(Platform& platform, const std::string& program, const std::string& arguments);
// Opens a web address in the default browser in the same way.
bool OpenAddressUnelevated(Platform& platform, const std::string& address);

}  // namespace resolvo::fix
