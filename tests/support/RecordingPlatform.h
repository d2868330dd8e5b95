#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "port/Failure.h"
#include "port/Platform.h"

namespace resolvo::testing {

enum class Op {
    SystemDirectory,
    GetAttributes,
    SetAttributes,
    FileExists,
    LastWriteTime,
    FileNames,
    OpenForReading,
    CreateNew,
    WriteLine,
    CloseWriter,
    Replace,
    Rename,
    RemoveFile,
    Pause,
    RunCommand,
    OpenAsDesktopUser,
    OpenAddress,
    ShowMessage,
    WindowsDirectory,
    ApplicationFolder,
    ActivateWindow,
};

const char* OpName(Op op) noexcept;

struct CommandRecord {
    std::string command;
    WindowStyle style;
    bool wait;
    bool operator==(const CommandRecord&) const = default;
};

struct MessageRecord {
    std::string text;
    MessageKind kind;
    bool operator==(const MessageRecord&) const = default;
};

// A Platform for unit tests. It records every call, answers message boxes
// from a script and fails the calls it is told to fail.
//
// Files are real files on the local disk: a Windows-style path has its
// backslashes turned into slashes. Linux has neither attribute bits nor share
// modes, so both are kept here, with Windows' rules: a read-only file cannot
// be replaced or deleted; a file with an open writer, or one that another
// program holds, cannot be read, replaced, renamed or deleted (attributes can
// still be set); a file that takes another's place keeps its own attributes.
// Time passes only in Pause.
class RecordingPlatform : public Platform {
public:
    // --- set-up ---
    std::string systemDirectory = "C:\\WINDOWS\\system32";
    bool systemDirectoryFails = false;
    std::string windowsDirectory = "C:\\WINDOWS";
    std::string applicationFolder = "C:\\Tools\\Fix";
    // Files outside the test's folders that exist, such as installed programs.
    std::set<std::string> programs;
    bool elevated = false;
    bool desktopShell = false;  // whether there is a desktop shell to ask
    std::set<WindowId> hiddenWindows;
    // Runs when a command starts, as the program started would.
    std::function<void(const std::string& command)> onCommand;

    void ScriptAnswers(std::initializer_list<MessageAnswer> answers);

    // The nth call of op (counting only calls whose subject contains the given
    // text; 0 means every such call) raises a Failure with the given code.
    void FailOn(Op op, int nth = 0, std::string subjectContains = {},
                std::uint32_t code = error_code::AccessDenied);

    // Marks a file, by its Windows-style path, with attribute bits.
    void GiveAttributes(const std::string& path, std::uint32_t bits);
    // Another program holds the file open, sharing nothing, until the pauses
    // have added up to the given time.
    void HoldFile(const std::string& path, int untilMs);

    // --- records ---
    std::vector<std::string> journal;  // every call, in order: "<Op> <subject>"
    std::vector<CommandRecord> commands;
    std::vector<MessageRecord> messages;
    std::vector<int> pauses;
    int elapsedMs = 0;
    int linesWritten = 0;

    // Journal entries of one operation, subjects only.
    std::vector<std::string> CallsOf(Op op) const;

    static std::string DiskPath(const std::string& path);

    // --- Platform ---
    std::string SystemDirectory() override;
    std::uint32_t GetAttributes(const std::string& path) override;
    void SetAttributes(const std::string& path, std::uint32_t bits) override;
    bool FileExists(const std::string& path) override;
    std::uint64_t LastWriteTime(const std::string& path) override;
    std::vector<std::string> FileNames(const std::string& folder) override;
    LineReader OpenForReading(const std::string& path) override;
    std::unique_ptr<LineWriter> CreateNew(const std::string& path) override;
    void Replace(const std::string& replacement, const std::string& target) override;
    void Rename(const std::string& source, const std::string& target) override;
    void RemoveFile(const std::string& path) override;
    void Pause(int milliseconds) override;
    void RunCommand(const std::string& command, WindowStyle style, bool wait) override;
    bool IsElevated() override { return elevated; }
    void OpenAsDesktopUser(const std::string& file, const std::string& parameters) override;
    void OpenAddress(const std::string& address) override;
    MessageAnswer ShowMessage(const std::string& text, MessageKind kind) override;
    std::string WindowsDirectory() override;
    std::string ApplicationFolder() override;
    void ActivateWindow(WindowId window) override;

    // Records the call and raises the failure set up for it, if any. Used by
    // the writers this platform hands out, too.
    void Enter(Op op, const std::string& subject, bool journalIt = true);
    // The writers' open files.
    std::set<std::string> openWriters;

private:
    struct Fault {
        Op op;
        int nth;
        std::string subjectContains;
        std::uint32_t code;
        int seen = 0;
    };

    std::uint32_t AttributesOf(const std::string& diskPath) const;
    // Raises the failure Windows gives for a file that is missing, or in use.
    void RequireFree(const char* operation, const std::string& path) const;

    std::deque<MessageAnswer> answers_;
    std::vector<Fault> faults_;
    std::map<std::string, std::uint32_t> attributes_;  // by disk path
    std::map<std::string, int> heldUntil_;             // by disk path
};

}  // namespace resolvo::testing
