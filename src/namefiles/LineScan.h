#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace resolvo::namefiles {

// The most lines a name file may have to be repaired.
inline constexpr int MaxLines = 10000;

// Raises a failure of the path (error_code::FileTooLarge) for a file of
// more than MaxLines lines.
void CheckLineLimit(const std::string& path, std::string_view content);

// Where a "#" goes in a name file's bytes, as offsets, so that the lines
// that name the host are commented out. A file of more than MaxLines lines
// raises a failure of the path (error_code::FileTooLarge).
std::vector<std::size_t> MarksFor(const std::string& path, std::string_view content, const std::string& host);

}  // namespace resolvo::namefiles
