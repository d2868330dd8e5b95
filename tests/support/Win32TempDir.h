#pragma once

#include <string>

namespace resolvo::testing {

// A fresh folder under the Windows temporary folder for one test, removed
// with everything in it (attributes cleared first) afterwards. Paths are
// UTF-8 Windows paths.
class Win32TempDir {
public:
    Win32TempDir();
    ~Win32TempDir();
    Win32TempDir(const Win32TempDir&) = delete;
    Win32TempDir& operator=(const Win32TempDir&) = delete;

    const std::string& Path() const noexcept { return path_; }
    std::string PathOf(const std::string& relative) const { return path_ + "\\" + relative; }
    // Writes the bytes to a file below the folder and returns its path.
    std::string Write(const std::string& relative, const std::string& bytes) const;
    // The bytes of a file below the folder; empty if it cannot be read.
    std::string Read(const std::string& relative) const;

private:
    std::string path_;
};

}  // namespace resolvo::testing
