#include "winsock/WinsockReset.h"

#include <string>
#include <string_view>

#include "port/Paths.h"
#include "port/Step.h"
#include "winsock/KnownSettings.h"

namespace resolvo::winsock {

namespace {

constexpr std::string_view MachineRoot = "HKEY_LOCAL_MACHINE\\";
constexpr std::string_view WinsockKey = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Winsock";
constexpr std::string_view Winsock2Key = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Winsock2";
constexpr std::string_view WinsockBackup = "winsockbak.reg";
constexpr std::string_view Winsock2Backup = "winsock2bak.reg";
constexpr int SettleTimeMs = 5000;
constexpr int ExportWaitLimitMs = 30000;
// The renewal starts once both imports have ended, or at most 30 s after the
// first one began.
constexpr int ImportWaitLimitMs = 15000;

constexpr char NotResetMessage[] = "Resolvo could not reset the network settings of Windows (Winsock)";
constexpr char NothingSavedReason[] = ": it could not save them first, so it did not import its own.";
constexpr char WhatToDoMessage[] =
    "Restart Windows and run Resolvo again. If this message comes back, import the files \"winsock.reg\" and "
    "\"winsock2.reg\" that came with Resolvo by hand (double-click each, as administrator), and restart "
    "Windows.";

// Which backups this run put beside the program.
struct Backups {
    bool winsock = false;
    bool winsock2 = false;
};

// The registry editor is started by its full path: a bare "regedit" would be
// looked for in the program's own folder and the current folder first, where
// anybody could have put a program of that name.
std::string RegistryEditor(Platform& platform) {
    return Quoted(JoinPath(platform.WindowsDirectory(), "regedit.exe"));
}

std::string ExportCommand(Platform& platform, const std::string& path, std::string_view key) {
    return RegistryEditor(platform) + " /e " + Quoted(path) + " " + Quoted(key);
}

// "/s" alone: the editor documents no other switch for an import, and Wine's
// refuses any it does not know, importing nothing.
std::string ImportCommand(Platform& platform, const std::string& settingsPath) {
    return RegistryEditor(platform) + " /s " + Quoted(settingsPath);
}

std::string RenewCommand(Platform& platform) {
    return SystemProgram(platform, "ipconfig.exe") + " /renew";
}

// A folder an earlier run could not remove (the editor still held a file in
// it after its wait) goes now, with its files; one that is still held stays
// for the next run.
void RemoveFoldersLeft(Platform& platform) {
    for (const std::string& folder : platform.AdministratorsFoldersLeft()) {
        RunStep([&] {
            for (const std::string& name : platform.FileNames(folder)) {
                platform.RemoveFile(JoinPath(folder, name));
            }
            platform.RemoveFolder(folder);
        });
    }
}

// The editor, elevated, exports into the private folder, where nobody can
// have put a link for it to write through. The backup beside the program is
// then a new file of its own, which takes that folder's access list so that
// the user can read it, moved over the old name: a link planted under that
// name goes itself, and what it pointed at is never opened. Whether the
// export ran now is judged by the private copy, which only this run can have
// written, not by a time any program of the user can set on the old backup.
bool BackUp(Platform& platform, const std::string& folder, std::string_view name, std::string_view key) {
    const std::string exported = JoinPath(folder, name);
    platform.RunCommand(ExportCommand(platform, exported, key), WindowStyle::Hidden, ExportWaitLimitMs);
    const std::string bytes = platform.OpenForReading(exported);
    if (bytes.empty()) {
        return false;
    }
    const std::string backup = JoinPath(platform.ApplicationFolder(), name);
    // The private folder's name is one nobody could guess, so nobody can
    // have taken this one first either.
    const std::string fresh = backup + "." + folder.substr(folder.rfind('\\') + 1);
    try {
        const auto writer = platform.CreateNew(fresh);
        writer->Write(bytes);
        writer->Close();
        platform.MoveOver(fresh, backup);
    } catch (...) {
        RunStep([&] { platform.RemoveFile(fresh); });
        throw;
    }
    return true;
}

void WriteSettings(Platform& platform, const std::string& path, std::string_view settings) {
    const auto writer = platform.CreateNew(path);
    while (!settings.empty()) {
        const std::size_t end = settings.find('\n');
        writer->Write(settings.substr(0, end));
        writer->Write("\r\n");
        settings.remove_prefix(end == std::string_view::npos ? settings.size() : end + 1);
    }
    writer->Close();
}

// The settings the program knows go to the registry editor from the folder
// that only administrators can change, and are removed again after the
// import: the files beside the program usually sit in a downloads folder,
// where any program of the user could rewrite them before the editor,
// elevated, reads them. A key is imported only over the backup this run
// made of it, its only undo.
void Import(Platform& platform, const std::string& folder, std::string_view name, std::string_view settings,
            bool backedUp) {
    if (!backedUp) {
        return;
    }
    const std::string path = JoinPath(folder, name);
    RunStep([&] {
        WriteSettings(platform, path, settings);
        platform.RunCommand(ImportCommand(platform, path), WindowStyle::Hidden, ImportWaitLimitMs);
    });
    RunStep([&] { platform.RemoveFile(path); });
}

// The editor's exit code tells nothing (it is 0 whatever it did), so what
// the settings set is read back: every key they name exists, and every
// string value they give is what it holds.
bool SettingsHold(Platform& platform, std::string_view settings) {
    std::string key;
    while (!settings.empty()) {
        const std::size_t end = settings.find('\n');
        const std::string_view line = settings.substr(0, end);
        settings.remove_prefix(end == std::string_view::npos ? settings.size() : end + 1);
        if (line.starts_with('[') && line.ends_with(']')) {
            key = line.substr(1, line.size() - 2);
            if (key.starts_with(MachineRoot)) {
                key.erase(0, MachineRoot.size());
            }
            if (!platform.SettingsKeyExists(key)) {
                return false;
            }
        } else if (const std::size_t equals = line.find("\"=\""); line.starts_with('"') && line.ends_with('"') &&
                                                                   equals != std::string_view::npos) {
            const std::string name(line.substr(1, equals - 1));
            const std::string_view value = line.substr(equals + 3, line.size() - equals - 4);
            if (platform.ReadSetting(key, name) != value) {
                return false;
            }
        }
    }
    return true;
}

std::string BackupsSentence(Platform& platform, const Backups& backups) {
    std::string names = backups.winsock && backups.winsock2
                            ? "the files \"" + std::string(WinsockBackup) + "\" and \"" +
                                  std::string(Winsock2Backup) + "\""
                            : "the file \"" + std::string(backups.winsock ? WinsockBackup : Winsock2Backup) + "\"";
    return ".\r\n\r\nThe settings as they were are saved in " + names + " in " +
           JoinPath(platform.ApplicationFolder(), "") + ".";
}

std::string NotResetMessageFor(Platform& platform, const Backups& backups) {
    std::string message = NotResetMessage;
    if (!backups.winsock && !backups.winsock2) {
        message += NothingSavedReason;
    } else {
        message += BackupsSentence(platform, backups);
    }
    return message + "\r\n\r\n" + WhatToDoMessage;
}

}  // namespace

void WinsockReset::ResetWinsock(MainWindowAccess& window) {
    RunStep([&] { RemoveFoldersLeft(platform_); });
    std::string folder;
    Backups backups;
    if (RunStep([&] { folder = platform_.CreateAdministratorsFolder(); })) {
        RunStep([&] { backups.winsock = BackUp(platform_, folder, WinsockBackup, WinsockKey); });
        RunStep([&] { backups.winsock2 = BackUp(platform_, folder, Winsock2Backup, Winsock2Key); });
        for (const std::string_view name : {WinsockBackup, Winsock2Backup}) {
            RunStep([&] { platform_.RemoveFile(JoinPath(folder, name)); });
        }
        Import(platform_, folder, "winsock.reg", WinsockSettings, backups.winsock);
        Import(platform_, folder, "winsock2.reg", Winsock2Settings, backups.winsock2);
        RunStep([&] { platform_.RemoveFolder(folder); });
    }
    bool reset = false;
    RunStep([&] {
        reset = backups.winsock && backups.winsock2 && SettingsHold(platform_, WinsockSettings) &&
                SettingsHold(platform_, Winsock2Settings);
    });
    outcome_.clear();
    if (!reset) {
        outcome_ = std::string(NotResetMessage) + ".\r\n\r\n" + WhatToDoMessage;
        RunStep([&] { outcome_ = NotResetMessageFor(platform_, backups); });
    }
    RunStep([&] { platform_.RunCommand(RenewCommand(platform_), WindowStyle::Hidden, NoWait); });
    RunStep([&] { platform_.Pause(SettleTimeMs); });
    // While the window is still loading it is not visible, and this fails.
    RunStep([&] { platform_.ActivateWindow(window.Window()); });
}

void WinsockReset::TellOutcome() {
    if (!outcome_.empty()) {
        RunStep([&] { platform_.ShowMessage(outcome_, MessageKind::Critical); });
        outcome_.clear();
    }
}

}  // namespace resolvo::winsock
