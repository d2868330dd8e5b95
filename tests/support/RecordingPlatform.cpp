#include "support/RecordingPlatform.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

namespace resolvo::testing {

namespace fs = std::filesystem;

const char* OpName(Op op) noexcept {
#define RESOLVO_OP_NAME(name) #name,
    static constexpr const char* Names[] = {RESOLVO_RECORDED_OPS(RESOLVO_OP_NAME)};
#undef RESOLVO_OP_NAME
    return Names[static_cast<int>(op)];
}

namespace {

bool Exists(const std::string& diskPath) {
    std::error_code error;
    return fs::is_regular_file(diskPath, error);
}

class DiskFileWriter final : public FileWriter {
public:
    DiskFileWriter(RecordingPlatform& platform, std::string path, std::FILE* file)
        : platform_(platform), path_(std::move(path)), file_(file) {
        platform_.openWriters.insert(DiskPath(path_));
    }
    ~DiskFileWriter() override { Release(); }

    void Write(std::string_view bytes) override {
        platform_.Enter(Op::Write, path_);
        std::fwrite(bytes.data(), 1, bytes.size(), file_);
    }

    // A failure to close is one a test sets up (the disk of the tests has room).
    void Close() override {
        platform_.Enter(Op::CloseWriter, path_);
        Release();
    }

private:
    void Release() noexcept {
        if (file_ != nullptr) {
            std::fclose(std::exchange(file_, nullptr));
            platform_.openWriters.erase(DiskPath(path_));
        }
    }

    RecordingPlatform& platform_;
    std::string path_;
    std::FILE* file_;
};

}  // namespace

std::optional<std::string> RecordingPlatform::ReadSetting(const std::string& key, const std::string& name) {
    Enter(Op::ReadSetting, key + "\\" + name);
    const auto values = settings.find(key);
    if (values == settings.end() || values->second.count(name) == 0) {
        return std::nullopt;
    }
    return values->second.at(name);
}

std::vector<std::string> RecordingPlatform::CallsOf(Op op) const {
    const std::string prefix = std::string(OpName(op)) + " ";
    std::vector<std::string> subjects;
    for (const std::string& entry : journal) {
        if (entry.starts_with(prefix)) {
            subjects.push_back(entry.substr(prefix.size()));
        }
    }
    return subjects;
}

void RecordingPlatform::Enter(Op op, const std::string& subject) {
    journal.push_back(std::string(OpName(op)) + " " + subject);
    for (Fault& fault : faults_) {
        if (fault.op == op && subject.find(fault.subjectContains) != std::string::npos &&
            (++fault.seen == fault.nth || fault.nth == 0)) {
            throw Failure(OpName(op), subject, fault.code);
        }
    }
}

std::uint32_t RecordingPlatform::AttributesOf(const std::string& path) const {
    const auto found = attributes_.find(DiskPath(path));
    return found != attributes_.end() ? found->second : ArchiveAttribute;
}

void RecordingPlatform::Require(Op op, const std::string& path, bool free) const {
    if (!Exists(DiskPath(path))) {
        throw Failure(OpName(op), path, error_code::FileNotFound);
    }
    const auto held = heldUntil_.find(DiskPath(path));
    if (free &&
        (openWriters.count(DiskPath(path)) != 0 || (held != heldUntil_.end() && elapsedMs_ < held->second))) {
        throw Failure(OpName(op), path, error_code::SharingViolation);
    }
    if (free && op != Op::OpenForReading && op != Op::Rename &&
        (AttributesOf(path) & ReadOnlyAttribute) != 0) {
        throw Failure(OpName(op), path, error_code::AccessDenied);
    }
}

std::uint32_t RecordingPlatform::GetAttributes(const std::string& path) {
    Enter(Op::GetAttributes, path);
    Require(Op::GetAttributes, path, false);
    return AttributesOf(path);
}

void RecordingPlatform::SetAttributes(const std::string& path, std::uint32_t bits) {
    Enter(Op::SetAttributes, path + " " + std::to_string(bits));
    Require(Op::SetAttributes, path, false);
    attributes_[DiskPath(path)] = bits == 0 ? 0x80 : bits;  // FILE_ATTRIBUTE_NORMAL
}

bool RecordingPlatform::FileExists(const std::string& path) {
    Enter(Op::FileExists, path);
    return programs.count(path) != 0 || Exists(DiskPath(path));
}

bool RecordingPlatform::FolderExists(const std::string& path) {
    Enter(Op::FolderExists, path);
    std::error_code error;
    return fs::is_directory(DiskPath(path), error);
}

std::uint64_t RecordingPlatform::LastWriteTime(const std::string& path) {
    Enter(Op::LastWriteTime, path);
    Require(Op::LastWriteTime, path, false);
    return static_cast<std::uint64_t>(fs::last_write_time(DiskPath(path)).time_since_epoch().count());
}

std::vector<std::string> RecordingPlatform::FileNames(const std::string& folder) {
    Enter(Op::FileNames, folder);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(DiskPath(folder))) {
        if (entry.is_regular_file()) {
            names.push_back(entry.path().filename().string());
        }
    }
    return names;
}

std::string RecordingPlatform::OpenForReading(const std::string& path) {
    Enter(Op::OpenForReading, path);
    Require(Op::OpenForReading, path, true);
    std::ifstream file(DiskPath(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

std::unique_ptr<FileWriter> RecordingPlatform::CreateNew(const std::string& path) {
    Enter(Op::CreateNew, path);
    std::FILE* file = Exists(DiskPath(path)) ? nullptr : std::fopen(DiskPath(path).c_str(), "wb");
    if (file == nullptr) {
        throw Failure("CreateNew", path,
                      Exists(DiskPath(path)) ? error_code::FileExists : error_code::PathNotFound);
    }
    attributes_.erase(DiskPath(path));
    owners_[DiskPath(path)] = programOwner;
    return std::make_unique<DiskFileWriter>(*this, path, file);
}

void RecordingPlatform::Move(const std::string& from, const std::string& to) {
    fs::rename(DiskPath(from), DiskPath(to));
    attributes_[DiskPath(to)] = AttributesOf(from);
    attributes_.erase(DiskPath(from));
    owners_[DiskPath(to)] = OwnerOf(from);
    owners_.erase(DiskPath(from));
}

void RecordingPlatform::Replace(const std::string& replacement, const std::string& target,
                                const std::string& backup) {
    try {
        Enter(Op::Replace, replacement + " -> " + target);
    } catch (const Failure& failure) {
        if (failure.Code() == error_code::UnableToMoveReplacement2) {
            attributes_[DiskPath(replacement)] = AttributesOf(target);
            Move(target, backup);
        }
        throw;
    }
    Require(Op::Replace, replacement, true);
    Require(Op::Replace, target, true);
    Move(target, backup);
    Move(replacement, target);
}

void RecordingPlatform::Rename(const std::string& source, const std::string& target) {
    Enter(Op::Rename, source + " -> " + target);
    Require(Op::Rename, source, true);
    if (fs::exists(DiskPath(target))) {
        throw Failure("Rename", target, error_code::AlreadyExists);
    }
    Move(source, target);
}

// As MoveFileEx with MOVEFILE_REPLACE_EXISTING: a folder or read-only file under the target name stays.
void RecordingPlatform::MoveOver(const std::string& source, const std::string& target) {
    Enter(Op::MoveOver, source + " -> " + target);
    Require(Op::MoveOver, source, true);
    if (fs::is_directory(fs::symlink_status(DiskPath(target)))) {
        throw Failure("MoveOver", target, error_code::AccessDenied);
    }
    if (Exists(DiskPath(target))) {
        Require(Op::MoveOver, target, true);
    }
    Move(source, target);
}

void RecordingPlatform::RemoveFile(const std::string& path) {
    Enter(Op::RemoveFile, path);
    Require(Op::RemoveFile, path, true);
    fs::remove(DiskPath(path));
    attributes_.erase(DiskPath(path));
    owners_.erase(DiskPath(path));
}

std::string RecordingPlatform::FileOwner(const std::string& path) {
    Enter(Op::FileOwner, path);
    Require(Op::FileOwner, path, false);
    return OwnerOf(path);
}

std::string RecordingPlatform::OwnerOf(const std::string& path) const {
    const auto found = owners_.find(DiskPath(path));
    return found != owners_.end() ? found->second : SystemOwner;
}

void RecordingPlatform::SetFileOwner(const std::string& path, const std::string& owner) {
    Enter(Op::SetFileOwner, path + " " + owner);
    Require(Op::SetFileOwner, path, false);
    owners_[DiskPath(path)] = owner;
}

void RecordingPlatform::Pause(int milliseconds) {
    elapsedMs_ += milliseconds;
    Enter(Op::Pause, std::to_string(milliseconds));
}

void RecordingPlatform::RunCommand(const std::string& command, WindowStyle style, int waitLimitMs) {
    Enter(Op::RunCommand,
          std::string(style == WindowStyle::Hidden ? "hidden" : "focus") +
              (waitLimitMs != NoWait ? ", wait " + std::to_string(waitLimitMs) + ": " : ", no wait: ") +
              command);
    if (onCommand) {
        onCommand(command);
    }
}

MessageAnswer RecordingPlatform::ShowMessage(const std::string& text, MessageKind kind) {
    Enter(Op::ShowMessage, (kind == MessageKind::Critical ? "critical: "
                            : kind == MessageKind::YesNo  ? "yes/no: "
                                                          : "ok: ") +
                               text);
    if (answers.empty()) {
        ADD_FAILURE() << "no answer scripted for the message: " << text;
        return kind == MessageKind::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    }
    const MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

std::string RecordingPlatform::CreateAdministratorsFolder() {
    Enter(Op::CreateAdministratorsFolder, {});
    fs::create_directory(DiskPath(administratorsFolder));
    return administratorsFolder;
}

void RecordingPlatform::RemoveFolder(const std::string& path) {
    Enter(Op::RemoveFolder, path);
    fs::remove(DiskPath(path));
}

}  // namespace resolvo::testing
