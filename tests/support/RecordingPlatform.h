#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "port/Failure.h"
#include "port/Platform.h"

namespace resolvo::testing {

// clang-format off
// Every call the platform journals, by the name the journal gives it.
#define RESOLVO_RECORDED_OPS(X) \
    X(SystemDirectory) X(NativeSystemDirectory) X(GetAttributes) X(SetAttributes) X(FileExists) \
    X(FolderExists) X(LastWriteTime) X(FileNames) X(OpenForReading) X(CreateNew) X(Write) X(CloseWriter) \
    X(Replace) X(Rename) X(RemoveFile) X(FileOwner) X(SetFileOwner) X(Pause) X(RunCommand) \
    X(OpenAsDesktopUser) X(RunAsShellUser) X(OpenAddress) X(AsciiHostName) X(ShowMessage) \
    X(WindowsDirectory) X(ApplicationFolder) X(CreateAdministratorsFolder) X(RemoveFolder) X(ActivateWindow) \
    X(ReadSetting) X(SettingsKeyExists) X(ProgramElevation) X(ProgramFilesFolder) X(MoveOver) \
    X(AdministratorsFoldersLeft)
#define RESOLVO_OP_ENUMERATOR(name) name,
enum class Op { RESOLVO_RECORDED_OPS(RESOLVO_OP_ENUMERATOR) };
#undef RESOLVO_OP_ENUMERATOR
// clang-format on

const char* OpName(Op op) noexcept;

// Where the recording platform keeps a file a Windows-style path names.
inline std::string DiskPath(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

// A Platform for unit tests. It journals every call ("RunCommand hidden, wait: <command line>",
// "ShowMessage yes/no: <text>", "Pause 5000", ...), answers message boxes from a script and fails the calls
// it is told to; every other call succeeds.
//
// Files are real files: a Windows-style path has its backslashes turned into slashes. Linux has neither
// attribute bits nor share modes, so both are kept here, with Windows' rules: a read-only file cannot be
// replaced or deleted; a file with an open writer, or one another program holds, cannot be read, replaced,
// renamed or deleted (its attributes can still be set); a file that takes another's place keeps its own
// attributes and owner; a move over a link replaces the link. Time passes only in Pause. A Replace made to
// fail with 1177 leaves the files as ReplaceFile does then: the target under the backup name, the
// replacement under its own.
class RecordingPlatform : public Platform {
public:
    std::string systemDirectory = "C:\\WINDOWS\\system32";
    // The alias of the system directory for 32-bit code on 64-bit Windows; empty where there is none.
    std::string nativeSystemDirectory;
    std::string applicationFolder = "C:\\Tools\\Fix";
    std::set<std::string> programs;  // files outside the test's folders that exist
    Elevation elevation = Elevation::NotElevated;
    std::string programFilesFolder = "C:\\Program Files";
    std::map<std::string, std::string> asciiNames;       // host names typed in Unicode, by their ASCII form
    std::string administratorsFolder;                    // the folder CreateAdministratorsFolder makes
    std::vector<std::string> administratorsFoldersLeft;  // what AdministratorsFoldersLeft finds
    std::function<void(const std::string& command)> onCommand;  // what the program started does
    std::deque<MessageAnswer> answers;                          // the buttons the user presses, in turn
    // The owner of the files the program makes; other files have the system's.
    std::string programOwner = "S-1-5-32-544";  // Administrators
    static constexpr const char* SystemOwner = "S-1-5-18";
    // The machine's settings: string values by key and name, as read (expanded).
    std::map<std::string, std::map<std::string, std::string>> settings;

    // The nth call of op (0: every one) whose journal subject holds the text fails with the code.
    void FailOn(Op op, int nth = 0, std::string subjectContains = {},
                std::uint32_t code = error_code::AccessDenied) {
        faults_.push_back({op, nth, std::move(subjectContains), code});
    }
    void GiveAttributes(const std::string& path, std::uint32_t bits) { attributes_[DiskPath(path)] = bits; }
    // Another program holds the file, sharing nothing, until the pauses add up to the time.
    void HoldFile(const std::string& path, int untilMs) { heldUntil_[DiskPath(path)] = untilMs; }
    int ElapsedMs() const noexcept { return elapsedMs_; }  // the pauses, added up

    std::vector<std::string> journal;               // "<Op> <subject>"
    std::vector<std::string> CallsOf(Op op) const;  // subjects only
    // Journals the call and raises the failure set up for it; the writers use it too.
    void Enter(Op op, const std::string& subject);
    std::set<std::string> openWriters;  // by disk path

    std::string SystemDirectory() override { return Answer(Op::SystemDirectory, systemDirectory); }
    std::string NativeSystemDirectory() override {
        return Answer(Op::NativeSystemDirectory,
                      nativeSystemDirectory.empty() ? systemDirectory : nativeSystemDirectory);
    }
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
    std::string FileOwner(const std::string& path) override;
    void SetFileOwner(const std::string& path, const std::string& owner) override;
    void Pause(int milliseconds) override;
    void RunCommand(const std::string& command, WindowStyle style, int waitLimitMs) override;
    Elevation ProgramElevation() override { return Answer(Op::ProgramElevation, elevation); }
    std::string ProgramFilesFolder() override { return Answer(Op::ProgramFilesFolder, programFilesFolder); }
    void OpenAsDesktopUser(const std::string& file, const std::string& parameters) override {
        Enter(Op::OpenAsDesktopUser, file + " " + parameters);
    }
    void RunAsShellUser(const std::string& command) override { Enter(Op::RunAsShellUser, command); }
    void OpenAddress(const std::string& address) override { Enter(Op::OpenAddress, address); }
    std::string AsciiHostName(const std::string& host) override {
        return Answer(Op::AsciiHostName, asciiNames.count(host) != 0 ? asciiNames.at(host) : host, host);
    }
    MessageAnswer ShowMessage(const std::string& text, MessageKind kind) override;
    std::string WindowsDirectory() override {
        return Answer(Op::WindowsDirectory, std::string("C:\\WINDOWS"));
    }
    std::string ApplicationFolder() override { return Answer(Op::ApplicationFolder, applicationFolder); }
    std::string CreateAdministratorsFolder() override;
    std::vector<std::string> AdministratorsFoldersLeft() override {
        return Answer(Op::AdministratorsFoldersLeft, administratorsFoldersLeft);
    }
    void RemoveFolder(const std::string& path) override;
    void MoveOver(const std::string& source, const std::string& target) override;
    void ActivateWindow(WindowId window) override {
        Enter(Op::ActivateWindow, std::to_string(static_cast<std::uintptr_t>(window)));
    }
    std::optional<std::string> ReadSetting(const std::string& key, const std::string& name) override;
    bool SettingsKeyExists(const std::string& key) override {
        return Answer(Op::SettingsKeyExists, settings.count(key) != 0, key);
    }

private:
    // Journals the call, raises the failure set up for it, and answers.
    template <typename Value>
    Value Answer(Op op, Value value, const std::string& subject = {}) {
        Enter(op, subject);
        return value;
    }

    struct Fault {
        Op op;
        int nth;
        std::string subjectContains;
        std::uint32_t code;
        int seen = 0;
    };

    std::uint32_t AttributesOf(const std::string& path) const;
    std::string OwnerOf(const std::string& path) const;
    // Raises what Windows raises for a file that is missing, or, to be changed (free), in use or read-only.
    void Require(Op op, const std::string& path, bool free) const;
    void Move(const std::string& from, const std::string& to);

    std::vector<Fault> faults_;
    std::map<std::string, std::uint32_t> attributes_;  // by disk path
    std::map<std::string, std::string> owners_;        // by disk path, where not the system's
    std::map<std::string, int> heldUntil_;             // by disk path
    int elapsedMs_ = 0;
};

}  // namespace resolvo::testing
