#pragma once

#include <filesystem>
#include <string>

namespace resolvo::testing {

// A fresh folder for one test, removed with everything in it afterwards. Names below it are written with
// '/'; PathOf gives the path the platform takes, with backslashes (which the recording platform turns back).
// Write makes parent folders and returns PathOf; Read of a missing file is empty.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const noexcept { return path_; }
    std::string PathOf(const std::string& relative) const;
    std::string Write(const std::string& relative, const std::string& bytes) const;
    std::string Read(const std::string& relative) const;
    bool Exists(const std::string& relative) const { return std::filesystem::exists(path_ / relative); }

private:
    std::filesystem::path path_;
};

}  // namespace resolvo::testing
