#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "port/Platform.h"

namespace resolvo::bench {

// The file port on this machine's disk, for measuring the repair: no
// journal, no injected faults. A Windows path's backslashes become slashes
// under the root folder; attributes are kept in memory, since POSIX has none.
// Closing a file does not force it to disk, which would measure the disk.
class DiskFiles final : public Files {
public:
    explicit DiskFiles(std::string root) : root_(std::move(root)) {}

    std::string DiskPath(const std::string& path) const;

    std::string SystemDirectory() override { return "C:\\sys"; }
    std::string NativeSystemDirectory() override { return SystemDirectory(); }
    std::uint32_t GetAttributes(const std::string& path) override;
    void SetAttributes(const std::string& path, std::uint32_t bits) override;
    bool FileExists(const std::string& path) override;
    bool FolderExists(const std::string& path) override;
    std::uint64_t LastWriteTime(const std::string& path) override;
    std::vector<std::string> FileNames(const std::string& folder) override;
    std::string OpenForReading(const std::string& path) override;
    std::unique_ptr<FileWriter> CreateNew(const std::string& path) override;
    void Replace(const std::string& replacement, const std::string& target,
                 const std::string& backup) override;
    void Rename(const std::string& source, const std::string& target) override;
    void RemoveFile(const std::string& path) override;
    std::string FileOwner(const std::string&) override { return {}; }
    void SetFileOwner(const std::string&, const std::string&) override {}
    void Pause(int) override {}

private:
    std::string root_;
};

}  // namespace resolvo::bench
