#include "winsock/WinsockReset.h"

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

}  // namespace

void WinsockReset::ResetWinsock(MainWindowAccess& window) {
    // The exports are waited for, so that the backups hold the settings from
    // before the imports below replace them.
    RunStep([&] {
        platform_.RunCommand(ExportCommand(platform_, "winsockbak.reg", WinsockKey), WindowStyle::Hidden,
                             true);
    });
    RunStep([&] {
        platform_.RunCommand(ExportCommand(platform_, "winsock2bak.reg", Winsock2Key), WindowStyle::Hidden,
                             true);
    });
    RunStep(
        [&] { platform_.RunCommand(ImportCommand(platform_, "winsock.reg"), WindowStyle::Hidden, false); });
    RunStep(
        [&] { platform_.RunCommand(ImportCommand(platform_, "winsock2.reg"), WindowStyle::Hidden, false); });
    RunStep([&] { platform_.RunCommand(RenewCommand(platform_), WindowStyle::Hidden, false); });
    RunStep([&] { platform_.Pause(SettleTimeMs); });
    // While the window is still loading it is not visible, and this fails.
    RunStep([&] { platform_.ActivateWindow(window.Window()); });
}

}  // namespace resolvo::winsock
