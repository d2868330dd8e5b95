#pragma once

#include <string>
#include <string_view>

#include "port/Platform.h"

namespace resolvo {

// Joins a name onto a folder with one backslash, also when the folder is a
// drive's root and already ends in one.
std::string JoinPath(std::string_view folder, std::string_view name);

std::string Quoted(std::string_view text);

// The quoted full path of a program in the system directory. Programs are
// never started by bare name: Windows would look in the program's own
// folder and the current folder first.
std::string SystemProgram(Files& files, std::string_view fileName);

}  // namespace resolvo
