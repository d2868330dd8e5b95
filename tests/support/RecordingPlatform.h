#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "port/Failure.h"
#include "port/Platform.h"

namespace resolvo::testing {

enum class Op {
    RunCommand,
    ShowMessage,
    Pause,
    SystemDirectory,
    WindowsDirectory,
    ApplicationFolder,
    GetAttributes,
    SetAttributes,
    FileExists,
    OpenForReading,
    CreateForWriting,
    WriteLine,
    CloseWriter,
    MoveReplacing,
    RemoveFile,
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
// backslashes turned into slashes. Linux has no attribute bits, so they are
// kept here per file, and Windows' rules for them are applied: a read-only
// file cannot be replaced, emptied or deleted, a hidden or system file cannot
// be emptied by creating it anew, and a file that takes another's place keeps
// its own attributes (archive, for a new file).
class RecordingPlatform : public Platform {
public:
    // --- set-up ---
    std::string systemDirectory = "C:\\WINDOWS\\system32";
    // When set, asking for the system directory fails.
    bool systemDirectoryFails = false;
    std::string windowsDirectory = "C:\\WINDOWS";
    std::string applicationFolder = "C:\\Tools\\Fix";
    std::set<WindowId> hiddenWindows;

    void ScriptAnswers(std::initializer_list<MessageAnswer> answers);

    // The nth call of op (counting only calls whose subject contains the given
    // text; 0 means every such call) raises a Failure with the given code.
    void FailOn(Op op, int nth = 0, std::string subjectContains = {},
                std::uint32_t code = error_code::AccessDenied);

    // Marks a file, by its Windows-style path, with attribute bits.
    void GiveAttributes(const std::string& path, std::uint32_t bits);

    // --- records ---
    std::vector<std::string> journal;  // every call, in order: "<Op> <subject>"
    std::vector<CommandRecord> commands;
    std::vector<MessageRecord> messages;
    std::vector<int> pauses;
    std::vector<WindowId> activations;
    int linesWritten = 0;

    // Journal entries of one operation, subjects only.
    std::vector<std::string> CallsOf(Op op) const;

    static std::string DiskPath(const std::string& path);

    // --- Platform ---
    void RunCommand(const std::string& command, WindowStyle style, bool wait) override;
    MessageAnswer ShowMessage(const std::string& text, MessageKind kind) override;
    void Pause(int milliseconds) override;
    std::string SystemDirectory() override;
    std::string WindowsDirectory() override;
    std::string ApplicationFolder() override;
    std::uint32_t GetAttributes(const std::string& path) override;
    void SetAttributes(const std::string& path, std::uint32_t bits) override;
    bool FileExists(const std::string& path) override;
    LineReader OpenForReading(const std::string& path) override;
    std::unique_ptr<LineWriter> CreateForWriting(const std::string& path) override;
    void MoveReplacing(const std::string& source, const std::string& target) override;
    void RemoveFile(const std::string& path) override;
    void ActivateWindow(WindowId window) override;

    // Records the call and raises the failure set up for it, if any. Used by
    // the writers this platform hands out, too.
    void Enter(Op op, const std::string& subject, bool journalIt = true);

private:
    struct Fault {
        Op op;
        int nth;
        std::string subjectContains;
        std::uint32_t code;
        int seen = 0;
    };

    std::uint32_t AttributesOf(const std::string& diskPath) const;
    bool Exists(const std::string& diskPath) const;

    std::deque<MessageAnswer> answers_;
    std::vector<Fault> faults_;
    std::map<std::string, std::uint32_t> attributes_;  // by disk path
};

}  // namespace resolvo::testing
