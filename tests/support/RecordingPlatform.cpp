#include "support/RecordingPlatform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace resolvo::testing {

namespace fs = std::filesystem;

const char* OpName(Op op) noexcept {
    switch (op) {
        case Op::RunCommand:
            return "RunCommand";
        case Op::ShowMessage:
            return "ShowMessage";
        case Op::Pause:
            return "Pause";
        case Op::SystemDirectory:
            return "SystemDirectory";
        case Op::WindowsDirectory:
            return "WindowsDirectory";
        case Op::ApplicationFolder:
            return "ApplicationFolder";
        case Op::GetAttributes:
            return "GetAttributes";
        case Op::SetAttributes:
            return "SetAttributes";
        case Op::FileExists:
            return "FileExists";
        case Op::OpenForReading:
            return "OpenForReading";
        case Op::CreateForWriting:
            return "CreateForWriting";
        case Op::WriteLine:
            return "WriteLine";
        case Op::CloseWriter:
            return "CloseWriter";
        case Op::MoveReplacing:
            return "MoveReplacing";
        case Op::RemoveFile:
            return "RemoveFile";
        case Op::ActivateWindow:
            return "ActivateWindow";
    }
    return "?";
}

namespace {

constexpr std::uint32_t NormalAttribute = 0x80;

class DiskLineWriter final : public LineWriter {
public:
    // Buffered by 64 KiB, like the Windows platform's writer.
    DiskLineWriter(RecordingPlatform& platform, std::string path, std::FILE* file)
        : platform_(platform), path_(std::move(path)), file_(file), buffer_(64 * 1024) {
        std::setvbuf(file_, buffer_.data(), _IOFBF, buffer_.size());
    }
    ~DiskLineWriter() override {
        if (file_ != nullptr) {
            std::fclose(file_);
        }
    }

    void WriteLine(std::string_view text) override {
        platform_.Enter(Op::WriteLine, path_, false);
        std::fwrite(text.data(), 1, text.size(), file_);
        std::fwrite("\r\n", 1, 2, file_);
        ++platform_.linesWritten;
    }

    void Close() override {
        platform_.Enter(Op::CloseWriter, path_);
        const bool flushed = std::fflush(file_) == 0;
        std::fclose(std::exchange(file_, nullptr));
        if (!flushed) {
            throw Failure("CloseWriter", path_, error_code::WriteFault);
        }
    }

private:
    RecordingPlatform& platform_;
    std::string path_;
    std::FILE* file_;
    std::vector<char> buffer_;  // outlives the file that uses it
};

}  // namespace

void RecordingPlatform::ScriptAnswers(std::initializer_list<MessageAnswer> answers) {
    answers_.insert(answers_.end(), answers.begin(), answers.end());
}

void RecordingPlatform::FailOn(Op op, int nth, std::string subjectContains, std::uint32_t code) {
    faults_.push_back({op, nth, std::move(subjectContains), code});
}

void RecordingPlatform::GiveAttributes(const std::string& path, std::uint32_t bits) {
    attributes_[DiskPath(path)] = bits;
}

std::vector<std::string> RecordingPlatform::CallsOf(Op op) const {
    const std::string prefix = std::string(OpName(op)) + " ";
    std::vector<std::string> subjects;
    for (const std::string& entry : journal) {
        if (entry.rfind(prefix, 0) == 0) {
            subjects.push_back(entry.substr(prefix.size()));
        }
    }
    return subjects;
}

std::string RecordingPlatform::DiskPath(const std::string& path) {
    std::string disk = path;
    std::replace(disk.begin(), disk.end(), '\\', '/');
    return disk;
}

void RecordingPlatform::Enter(Op op, const std::string& subject, bool journalIt) {
    if (journalIt) {
        journal.push_back(std::string(OpName(op)) + " " + subject);
    }
    for (Fault& fault : faults_) {
        if (fault.op != op || subject.find(fault.subjectContains) == std::string::npos) {
            continue;
        }
        ++fault.seen;
        if (fault.nth == 0 || fault.nth == fault.seen) {
            throw Failure(OpName(op), subject, fault.code);
        }
    }
}

bool RecordingPlatform::Exists(const std::string& diskPath) const {
    std::error_code error;
    return fs::is_regular_file(diskPath, error);
}

std::uint32_t RecordingPlatform::AttributesOf(const std::string& diskPath) const {
    const auto found = attributes_.find(diskPath);
    return found != attributes_.end() ? found->second : ArchiveAttribute;
}

void RecordingPlatform::RunCommand(const std::string& command, WindowStyle style, bool wait) {
    commands.push_back({command, style, wait});
    Enter(Op::RunCommand, command);
}

MessageAnswer RecordingPlatform::ShowMessage(const std::string& text, MessageKind kind) {
    messages.push_back({text, kind});
    Enter(Op::ShowMessage, text);
    if (answers_.empty()) {
        ADD_FAILURE() << "no answer scripted for the message: " << text;
        return kind == MessageKind::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    }
    const MessageAnswer answer = answers_.front();
    answers_.pop_front();
    return answer;
}

void RecordingPlatform::Pause(int milliseconds) {
    pauses.push_back(milliseconds);
    Enter(Op::Pause, std::to_string(milliseconds));
}

std::string RecordingPlatform::SystemDirectory() {
    Enter(Op::SystemDirectory, {});
    if (systemDirectoryFails) {
        throw Failure("SystemDirectory", {}, error_code::PathNotFound);
    }
    return systemDirectory;
}

std::string RecordingPlatform::WindowsDirectory() {
    Enter(Op::WindowsDirectory, {});
    return windowsDirectory;
}

std::string RecordingPlatform::ApplicationFolder() {
    Enter(Op::ApplicationFolder, {});
    return applicationFolder;
}

std::uint32_t RecordingPlatform::GetAttributes(const std::string& path) {
    Enter(Op::GetAttributes, path);
    const std::string disk = DiskPath(path);
    if (!Exists(disk)) {
        throw Failure("GetAttributes", path, error_code::FileNotFound);
    }
    return AttributesOf(disk);
}

void RecordingPlatform::SetAttributes(const std::string& path, std::uint32_t bits) {
    Enter(Op::SetAttributes, path + " " + std::to_string(bits));
    const std::string disk = DiskPath(path);
    if (!Exists(disk)) {
        throw Failure("SetAttributes", path, error_code::FileNotFound);
    }
    attributes_[disk] = bits == 0 ? NormalAttribute : bits;
}

bool RecordingPlatform::FileExists(const std::string& path) {
    Enter(Op::FileExists, path);
    return Exists(DiskPath(path));
}

LineReader RecordingPlatform::OpenForReading(const std::string& path) {
    Enter(Op::OpenForReading, path);
    // Read in one go into a buffer of the file's size, as the Windows
    // platform does, so that the benchmark can measure through this double.
    const std::string disk = DiskPath(path);
    std::FILE* file = std::fopen(disk.c_str(), "rb");
    if (file == nullptr) {
        throw Failure("OpenForReading", path, error_code::FileNotFound);
    }
    std::error_code error;
    std::string content(static_cast<std::size_t>(fs::file_size(disk, error)), '\0');
    content.resize(std::fread(content.data(), 1, content.size(), file));
    std::fclose(file);
    return LineReader(std::move(content));
}

std::unique_ptr<LineWriter> RecordingPlatform::CreateForWriting(const std::string& path) {
    Enter(Op::CreateForWriting, path);
    const std::string disk = DiskPath(path);
    if (Exists(disk) && (AttributesOf(disk) & (ReadOnlyAttribute | HiddenAttribute | SystemAttribute)) != 0) {
        throw Failure("CreateForWriting", path, error_code::AccessDenied);
    }
    std::FILE* file = std::fopen(disk.c_str(), "wb");
    if (file == nullptr) {
        throw Failure("CreateForWriting", path, error_code::PathNotFound);
    }
    attributes_.erase(disk);
    return std::make_unique<DiskLineWriter>(*this, path, file);
}

void RecordingPlatform::MoveReplacing(const std::string& source, const std::string& target) {
    Enter(Op::MoveReplacing, source + " -> " + target);
    const std::string from = DiskPath(source);
    const std::string to = DiskPath(target);
    if (!Exists(from)) {
        throw Failure("MoveReplacing", source, error_code::FileNotFound);
    }
    if (Exists(to) && (AttributesOf(to) & ReadOnlyAttribute) != 0) {
        throw Failure("MoveReplacing", target, error_code::AccessDenied);
    }
    fs::rename(from, to);
    attributes_[to] = AttributesOf(from);
    attributes_.erase(from);
}

void RecordingPlatform::RemoveFile(const std::string& path) {
    Enter(Op::RemoveFile, path);
    const std::string disk = DiskPath(path);
    if (!Exists(disk)) {
        throw Failure("RemoveFile", path, error_code::FileNotFound);
    }
    if ((AttributesOf(disk) & ReadOnlyAttribute) != 0) {
        throw Failure("RemoveFile", path, error_code::AccessDenied);
    }
    fs::remove(disk);
    attributes_.erase(disk);
}

void RecordingPlatform::ActivateWindow(WindowId window) {
    activations.push_back(window);
    Enter(Op::ActivateWindow, std::to_string(static_cast<std::uintptr_t>(window)));
    if (hiddenWindows.count(window) != 0) {
        throw Failure("ActivateWindow", {}, error_code::InvalidWindowHandle);
    }
}

}  // namespace resolvo::testing
