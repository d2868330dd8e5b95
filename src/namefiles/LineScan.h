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

// The two files Windows reads host names from; they give an entry's names
// differently.
enum class NameFile { Hosts, Lmhosts };

// What one fast pass over a file's bytes finds: its line ends (CRs) and the
// blocks of ScanBlockSize bytes (the last one maybe shorter), by their
// offsets, in which the host's first three characters (all of a shorter
// one) stand in some letter case. The host may begin only in such a block.
inline constexpr std::size_t ScanBlockSize = 128;
struct BlockScan {
    std::size_t LineEnds = 0;
    std::vector<std::size_t> CandidateBlocks;
};
BlockScan ScanBlocks(std::string_view content, std::string_view foldedHost);

// Where a "#" goes in a name file's bytes, as offsets, so that the entries
// that name the host or a subdomain of it are commented out. A file of more
// than MaxLines lines raises a failure of the path (error_code::FileTooLarge).
std::vector<std::size_t> MarksFor(const std::string& path, std::string_view content, const std::string& host,
                                  NameFile kind);

}  // namespace resolvo::namefiles
