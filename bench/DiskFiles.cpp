#include "DiskFiles.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "port/Failure.h"

namespace resolvo::bench {

namespace fs = std::filesystem;

namespace {

// Written through a 64 KiB buffer, as the Windows port writes.
class StreamWriter final : public FileWriter {
public:
    explicit StreamWriter(const std::string& path) {
        file_.rdbuf()->pubsetbuf(buffer_, sizeof buffer_);
        file_.open(path, std::ios::binary);
    }
    void Write(std::string_view bytes) override {
        file_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    void Close() override { file_.close(); }

private:
    char buffer_[64 * 1024];
    std::ofstream file_;
};

void Require(bool holds, const char* operation, const std::string& path) {
    if (!holds) {
        throw Failure(operation, path, error_code::FileNotFound);
    }
}

}  // namespace

std::string DiskFiles::DiskPath(const std::string& path) const {
    std::string disk = root_ + "/" + path.substr(3);  // past "C:\"
    std::replace(disk.begin(), disk.end(), '\\', '/');
    return disk;
}

std::uint32_t DiskFiles::GetAttributes(const std::string& path) {
    Require(FileExists(path), "GetAttributes", path);
    return ArchiveAttribute;
}

void DiskFiles::SetAttributes(const std::string& path, std::uint32_t) {
    Require(FileExists(path), "SetAttributes", path);
}

bool DiskFiles::FileExists(const std::string& path) {
    return fs::is_regular_file(DiskPath(path));
}

bool DiskFiles::FolderExists(const std::string& path) {
    return fs::is_directory(DiskPath(path));
}

std::uint64_t DiskFiles::LastWriteTime(const std::string& path) {
    Require(FileExists(path), "LastWriteTime", path);
    return static_cast<std::uint64_t>(fs::last_write_time(DiskPath(path)).time_since_epoch().count());
}

std::vector<std::string> DiskFiles::FileNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(DiskPath(folder))) {
        if (entry.is_regular_file()) {
            names.push_back(entry.path().filename().string());
        }
    }
    return names;
}

// Read in one go into a string of the file's size, as the Windows port reads.
std::string DiskFiles::OpenForReading(const std::string& path) {
    std::ifstream file(DiskPath(path), std::ios::binary);
    Require(file.is_open(), "OpenForReading", path);
    std::string content(fs::file_size(DiskPath(path)), '\0');
    file.read(content.data(), static_cast<std::streamsize>(content.size()));
    return content;
}

std::unique_ptr<FileWriter> DiskFiles::CreateNew(const std::string& path) {
    if (FileExists(path)) {
        throw Failure("CreateNew", path, error_code::FileExists);
    }
    return std::make_unique<StreamWriter>(DiskPath(path));
}

void DiskFiles::Replace(const std::string& replacement, const std::string& target,
                        const std::string& backup) {
    Require(FileExists(replacement) && FileExists(target), "Replace", target);
    fs::rename(DiskPath(target), DiskPath(backup));
    fs::rename(DiskPath(replacement), DiskPath(target));
}

void DiskFiles::Rename(const std::string& source, const std::string& target) {
    Require(FileExists(source), "Rename", source);
    fs::rename(DiskPath(source), DiskPath(target));
}

void DiskFiles::RemoveFile(const std::string& path) {
    Require(fs::remove(DiskPath(path)), "RemoveFile", path);
}

}  // namespace resolvo::bench
