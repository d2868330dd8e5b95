#pragma once

#include <string>
#include <string_view>

#include "platform/Platform.h"

namespace resolvo {

// Joins a name onto a folder with one backslash, also when the folder is a
// drive's root and already ends in one.
std::string JoinPath(std::string_view folder, std::string_view name);

std::string Quoted(std::string_view text);

// The system directory, asked for with a buffer of 256 characters. Raises a
// Failure when the query fails or the answer does not fit, so that nothing
// is ever looked for relative to the current drive instead.
std::string QuerySystemDirectory(Platform& platform);

// The quoted full path of a program in the system directory. Programs are
// never started by bare name: Windows would look in the program's own
// folder and the current folder first.
std::string SystemProgram(Platform& platform, std::string_view fileName);

}  // namespace resolvo
