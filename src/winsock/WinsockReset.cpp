#include "winsock/WinsockReset.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "port/Paths.h"
#include "port/Step.h"
#include "winsock/KnownSettings.h"

namespace resolvo::winsock {

namespace {

constexpr std::string_view WinsockKey = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Winsock";
constexpr std::string_view Winsock2Key = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Winsock2";
constexpr int SettleTimeMs = 5000;
constexpr int ExportWaitLimitMs = 30000;
// The renewal starts once both imports have ended, or at most 30 s after the
// first one began.
constexpr int ImportWaitLimitMs = 15000;

// The registry editor is started by its full path: a bare "regedit" would be
// looked for in the program's own folder and the current folder first, where
// anybody could have put a program of that name.
std::string RegistryEditor(Platform& platform) {
    return Quoted(JoinPath(platform.WindowsDirectory(), "regedit.exe"));
}

std::string ExportCommand(Platform& platform, std::string_view backupName, std::string_view key) {
    return RegistryEditor(platform) + " /e " + Quoted(JoinPath(platform.ApplicationFolder(), backupName)) +
           " " + Quoted(key);
}

std::string ImportCommand(Platform& platform, const std::string& settingsPath) {
    return RegistryEditor(platform) + " /s /i " + Quoted(settingsPath);
}

std::string RenewCommand(Platform& platform) {
    return SystemProgram(platform, "ipconfig.exe") + " /renew";
}

// The imports replace settings whose only undo is the export made just
// before; a backup that this run did not write (an export that could not
// start, a folder that cannot be written) holds no undo for them.
bool ExportedNow(Platform& platform, std::string_view backupName, std::string_view key) {
    const std::string backup = JoinPath(platform.ApplicationFolder(), backupName);
    std::optional<std::uint64_t> before;
    RunStep([&] { before = platform.LastWriteTime(backup); });
    // Waited for, so that the backup holds the settings from before the import.
    platform.RunCommand(ExportCommand(platform, backupName, key), WindowStyle::Hidden, ExportWaitLimitMs);
    return platform.LastWriteTime(backup) != before;
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

// The settings the program knows go to the registry editor from a folder
// that only administrators can change, removed again after the import: the
// files beside the program usually sit in a downloads folder, where any
// program of the user could rewrite them before the editor, elevated, reads
// them.
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

void ImportKnownSettings(Platform& platform, bool winsockBackedUp, bool winsock2BackedUp) {
    if (!winsockBackedUp && !winsock2BackedUp) {
        return;
    }
    const std::string folder = platform.CreateAdministratorsFolder();
    Import(platform, folder, "winsock.reg", WinsockSettings, winsockBackedUp);
    Import(platform, folder, "winsock2.reg", Winsock2Settings, winsock2BackedUp);
    platform.RemoveFolder(folder);
}

}  // namespace

void WinsockReset::ResetWinsock(MainWindowAccess& window) {
    bool winsockBackedUp = false;
    bool winsock2BackedUp = false;
    RunStep([&] { winsockBackedUp = ExportedNow(platform_, "winsockbak.reg", WinsockKey); });
    RunStep([&] { winsock2BackedUp = ExportedNow(platform_, "winsock2bak.reg", Winsock2Key); });
    RunStep([&] { ImportKnownSettings(platform_, winsockBackedUp, winsock2BackedUp); });
    RunStep([&] { platform_.RunCommand(RenewCommand(platform_), WindowStyle::Hidden, NoWait); });
    RunStep([&] { platform_.Pause(SettleTimeMs); });
    // While the window is still loading it is not visible, and this fails.
    RunStep([&] { platform_.ActivateWindow(window.Window()); });
}

}  // namespace resolvo::winsock
