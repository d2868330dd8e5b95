#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ResolvoVersion.h"

namespace resolvo {

enum class WindowStyle : int { Hidden = 0, NormalFocus = 1 };

// The values are the Windows message-box flags and results.
enum class MessageKind : unsigned { OkOnly = 0, YesNo = 4, Critical = 16 };
enum class MessageAnswer : int { Ok = 1, Yes = 6, No = 7 };

inline constexpr std::string_view ApplicationTitle = RESOLVO_PRODUCT_NAME;

// File attribute bits, as Windows numbers them.
inline constexpr std::uint32_t ReadOnlyAttribute = 0x1;
inline constexpr std::uint32_t HiddenAttribute = 0x2;
inline constexpr std::uint32_t SystemAttribute = 0x4;
inline constexpr std::uint32_t ArchiveAttribute = 0x20;
// The bits SetFileAttributes takes: read-only, hidden, system, archive,
// temporary, offline and not content-indexed. The others (compressed,
// encrypted, reparse point, ...) are only ever read.
inline constexpr std::uint32_t SettableAttributes = 0x3127;

// Whether the program runs with administrator rights that Windows could
// have withheld from it: Elevated for an administrator's full token of any
// kind (elevated under UAC, the built-in Administrator's, any with UAC off),
// NotElevated for a filtered or a plain user's token, and NoElevation on a
// Windows that knows no elevation at all (XP).
enum class Elevation : int { NoElevation, NotElevated, Elevated };

// The wait limit of a command that is started and left to run.
inline constexpr int NoWait = 0;

// Opaque identity of a top-level window; the windows know what it stands for.
enum class WindowId : std::uintptr_t {};

// Writes a new file's bytes as they are given. Close() makes the content
// durable and raises a failure if it could not; dropping an open writer
// closes it quietly.
class FileWriter {
public:
    virtual ~FileWriter() = default;
    virtual void Write(std::string_view bytes) = 0;
    virtual void Close() = 0;
};

// What the name-file repair needs of the system: its files, and a pause
// between tries on a file another program holds for a moment. Paths and text
// are UTF-8; file content is bytes and is never re-encoded. Every operation
// that can fail raises resolvo::Failure.
class Files {
public:
    virtual ~Files() = default;

    virtual std::string SystemDirectory() = 0;
    // The system directory as Windows' own 64-bit programs see it. A 32-bit
    // program on 64-bit Windows reaches it only through the alias Sysnative,
    // since its plain name leads to the 32-bit SysWOW64; everywhere else it
    // is the system directory itself.
    virtual std::string NativeSystemDirectory() = 0;

    virtual std::uint32_t GetAttributes(const std::string& path) = 0;
    virtual void SetAttributes(const std::string& path, std::uint32_t bits) = 0;
    // True for hidden and system files too.
    virtual bool FileExists(const std::string& path) = 0;
    virtual bool FolderExists(const std::string& path) = 0;
    // The time of the file's last change, in the system's ticks.
    virtual std::uint64_t LastWriteTime(const std::string& path) = 0;
    // The names of the files (not folders) in a folder.
    virtual std::vector<std::string> FileNames(const std::string& folder) = 0;

    // Reads the whole file's bytes; the file itself is closed again before this returns.
    virtual std::string OpenForReading(const std::string& path) = 0;
    // Creates a file that must not exist yet (error_code::FileExists otherwise).
    virtual std::unique_ptr<FileWriter> CreateNew(const std::string& path) = 0;
    // Puts the replacement's content in the place of an existing target, the
    // target itself going to the backup name (where no file is). The target
    // keeps its access list, creation time and streams; its owner becomes the
    // replacement's, and its attributes are the caller's to set again. A failure may come half way,
    // as Windows' ReplaceFile has it: error 1177
    // (error_code::UnableToMoveReplacement2) leaves the target under the
    // backup name and the replacement under its own; after any other failure
    // both keep their names.
    virtual void Replace(const std::string& replacement, const std::string& target,
                         const std::string& backup) = 0;
    // Renames a file to a path where there is none yet.
    virtual void Rename(const std::string& source, const std::string& target) = 0;
    virtual void RemoveFile(const std::string& path) = 0;
    // A file's owner, as opaque bytes (a Windows security identifier).
    virtual std::string FileOwner(const std::string& path) = 0;
    // Gives a file an owner read with FileOwner. Another owner than the
    // program's own takes the restore privilege, which an elevated
    // administrator holds; without it the change is refused.
    virtual void SetFileOwner(const std::string& path, const std::string& owner) = 0;

    // Waits while the program's windows keep painting; input made meanwhile
    // is dropped.
    virtual void Pause(int milliseconds) = 0;
};

// What the program reads of the machine's settings in the registry: values
// under HKEY_LOCAL_MACHINE, named by the path of their key below it
// ("SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters").
class MachineSettings {
public:
    virtual ~MachineSettings() = default;

    // A string value: REG_SZ as it is, REG_EXPAND_SZ with the environment
    // variables in it expanded. Nothing where the key or the value is
    // missing, or the value is no string; any other failure raises.
    virtual std::optional<std::string> ReadSetting(const std::string& key, const std::string& name) = 0;
    virtual bool SettingsKeyExists(const std::string& key) = 0;
};

// Everything else the procedures need: programs, messages, the program's
// windows and folders.
class Platform : public Files, public MachineSettings {
public:
    // Starts a whole command line. With a wait limit, returns once the process
    // has ended, or raises a failure (error_code::WaitTimeout) once the limit
    // has passed; the windows keep painting meanwhile.
    virtual void RunCommand(const std::string& command, WindowStyle style, int waitLimitMs) = 0;
    virtual Elevation ProgramElevation() = 0;
    // The folder programs are installed in, as the shell names it for a
    // program of this one's kind (Program Files (x86) for a 32-bit one on
    // 64-bit Windows); a failure where it has none.
    virtual std::string ProgramFilesFolder() = 0;
    // Starts a program, or opens a web address in the default browser,
    // through the desktop's shell: as the desktop user, with his rights.
    // Fails where there is no desktop shell to ask.
    virtual void OpenAsDesktopUser(const std::string& file, const std::string& parameters) = 0;
    // Starts a whole command line, in a normal window with the focus, with
    // the rights of the desktop shell's process. Fails where there is none,
    // or where Windows cannot start a program with another's token (XP).
    virtual void RunAsShellUser(const std::string& command) = 0;
    // Opens a web address in the default browser, with this program's rights.
    virtual void OpenAddress(const std::string& address) = 0;
    // The ASCII form (punycode, "xn--") of a host name typed in Unicode; the
    // name itself where it is ASCII already or Windows cannot convert it.
    virtual std::string AsciiHostName(const std::string& host) = 0;

    // A Yes/No box can only be closed with one of its two buttons.
    virtual MessageAnswer ShowMessage(const std::string& text, MessageKind kind) = 0;

    virtual std::string WindowsDirectory() = 0;
    virtual std::string ApplicationFolder() = 0;
    // Creates a folder, under a name that was free and that nobody could
    // guess, that only administrators and the system can change: what is put
    // in it stays as written while the program uses it. Returns its path.
    virtual std::string CreateAdministratorsFolder() = 0;
    // The folders CreateAdministratorsFolder made in earlier runs that are
    // still there: of its names, owned by the Administrators group, and
    // neither a link nor a junction.
    virtual std::vector<std::string> AdministratorsFoldersLeft() = 0;
    // Removes an empty folder.
    virtual void RemoveFolder(const std::string& path) = 0;
    // Moves a file to a name in the same folder, in place of what has that
    // name: a file, or a link, which goes itself, its target untouched.
    // Fails where a folder has the name, and on Windows where a read-only
    // file has it (Wine replaces that too).
    virtual void MoveOver(const std::string& source, const std::string& target) = 0;

    // Brings a visible window to the front; fails for a window not yet shown.
    virtual void ActivateWindow(WindowId window) = 0;
};

}  // namespace resolvo
