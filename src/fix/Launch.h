#pragma once

#include <string>

#include "port/Platform.h"

namespace resolvo::fix {

// Starts a program that the user works in (the browser) without this
// program's administrator rights where that can be helped: through the
// desktop's shell when this program is elevated, and as a command line of
// its own, in a normal window with the focus, where it is not or where the
// shell cannot be asked.
void StartProgramUnelevated(Platform& platform, const std::string& program, const std::string& arguments);
// Opens a web address in the default browser in the same way.
void OpenAddressUnelevated(Platform& platform, const std::string& address);

}  // namespace resolvo::fix
