#include "winsock/WinsockReset.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "port/Paths.h"
#include "port/Step.h"

namespace resolvo::winsock {

namespace {

constexpr std::string_view WinsockKey = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Winsock";
constexpr std::string_view Winsock2Key = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Winsock2";
constexpr int SettleTimeMs = 5000;

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

std::string ImportCommand(Platform& platform, std::string_view settingsName) {
    return RegistryEditor(platform) + " /s /i " +
           Quoted(JoinPath(platform.ApplicationFolder(), settingsName));
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
    platform.RunCommand(ExportCommand(platform, backupName, key), WindowStyle::Hidden, true);
    return platform.LastWriteTime(backup) != before;
}

void Import(Platform& platform, std::string_view settingsName, bool backedUp) {
    if (backedUp) {
        RunStep(
            [&] { platform.RunCommand(ImportCommand(platform, settingsName), WindowStyle::Hidden, false); });
    }
}

}  // namespace

void WinsockReset::ResetWinsock(MainWindowAccess& window) {
    bool winsockBackedUp = false;
    bool winsock2BackedUp = false;
    RunStep([&] { winsockBackedUp = ExportedNow(platform_, "winsockbak.reg", WinsockKey); });
    RunStep([&] { winsock2BackedUp = ExportedNow(platform_, "winsock2bak.reg", Winsock2Key); });
    Import(platform_, "winsock.reg", winsockBackedUp);
    Import(platform_, "winsock2.reg", winsock2BackedUp);
    RunStep([&] { platform_.RunCommand(RenewCommand(platform_), WindowStyle::Hidden, false); });
    RunStep([&] { platform_.Pause(SettleTimeMs); });
    // While the window is still loading it is not visible, and this fails.
    RunStep([&] { platform_.ActivateWindow(window.Window()); });
}

}  // namespace resolvo::winsock
