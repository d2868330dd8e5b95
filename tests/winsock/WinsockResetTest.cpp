#include "winsock/WinsockReset.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <set>
#include <string>

#include "support/FakeWindow.h"
#include "support/RecordingPlatform.h"
#include "support/TempDir.h"

namespace resolvo::winsock {
namespace {

using testing::Op;
using Commands = std::vector<std::string>;

const std::string Regedit = R"("C:\WINDOWS\regedit.exe" )";
const std::string Key = R"("HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\Winsock)";
const std::string Export1 = "hidden, wait 30000: " + Regedit + R"(/e "F\winsockbak.reg" )" + Key + '"';
const std::string Export2 = "hidden, wait 30000: " + Regedit + R"(/e "F\winsock2bak.reg" )" + Key + "2\"";
const std::string Import1 = "hidden, wait 15000: " + Regedit + R"(/s /i "F\A\winsock.reg")";
const std::string Import2 = "hidden, wait 15000: " + Regedit + R"(/s /i "F\A\winsock2.reg")";
const std::string Renew = R"(hidden, no wait: "C:\WINDOWS\system32\ipconfig.exe" /renew)";

// The program folder F is a temporary one, where the registry editor writes
// the backups it is asked for, unless told not to, and reads nothing; A, in
// it here, is the folder only administrators can change, from which it imports. Returns
// the commands started, each with its window style and wait.
struct ResetRun {
    ResetRun() {
        platform.applicationFolder = folder;
        platform.administratorsFolder = dir.PathOf("A");
        dir.Write("winsock.reg", "changed by another program");
        platform.onCommand = [this](const std::string& command) {
            for (const char* name : {"winsockbak.reg", "winsock2bak.reg"}) {
                if (command.find(" /e ") != std::string::npos && command.find(name) != std::string::npos &&
                    exports.count(name) != 0) {
                    dir.Write(name, "REGEDIT4\r\n");
                }
            }
            if (const std::size_t file = command.find("A\\winsock"); file != std::string::npos) {
                std::string relative = command.substr(file, command.size() - file - 1);
                std::replace(relative.begin(), relative.end(), '\\', '/');
                imported.push_back(dir.Read(relative));
            }
        };
    }

    Commands operator()() {
        testing::FakeWindow window("", WindowId{7});
        platform.FailOn(Op::ActivateWindow);  // still loading
        WinsockReset(platform).ResetWinsock(window);
        Commands commands = platform.CallsOf(Op::RunCommand);
        for (std::string& command : commands) {
            if (const std::size_t at = command.find(folder); at != std::string::npos) {
                command.replace(at, folder.size(), "F");
            }
        }
        return commands;
    }

    testing::TempDir dir;
    const std::string folder = dir.PathOf("").substr(0, dir.PathOf("").size() - 1);
    testing::RecordingPlatform platform;
    std::set<std::string> exports{"winsockbak.reg", "winsock2bak.reg"};
    std::vector<std::string> imported;  // the content of each file imported
};

// What the download ships beside the program, with CR LF line ends.
std::string Shipped(const std::string& name) {
    std::ifstream file(std::string(RESOLVO_RESOURCES_DIR) + "/" + name, std::ios::binary);
    std::string content;
    for (std::string line; std::getline(file, line);) {
        content += (line.ends_with('\r') ? line : line + '\r') + '\n';
    }
    return content;
}

// A settings file is imported only over a backup that this run's export
// wrote, from a folder that is removed again, never from beside the program;
// every command starts even when others cannot, and none by bare name:
// without the system directory there is no renewal, without the program
// folder no registry row. The window is activated after the pause.
TEST(WinsockReset, BacksUpImportsOverFreshBackupsOnlyAndRenews) {
    const std::vector<std::pair<std::function<void(ResetRun&)>, Commands>> cases{
        {[](ResetRun&) {}, {Export1, Export2, Import1, Import2, Renew}},
        {[](ResetRun& r) { r.exports = {"winsock2bak.reg"}; }, {Export1, Export2, Import2, Renew}},
        {[](ResetRun& r) {
             r.exports = {"winsockbak.reg"};
             r.dir.Write("winsockbak.reg", "from an earlier run");
             r.dir.Write("winsock2bak.reg", "from an earlier run");
         },
         {Export1, Export2, Import1, Renew}},
        {[](ResetRun& r) { r.platform.FailOn(Op::RunCommand, 1); }, {Export1, Export2, Import2, Renew}},
        {[](ResetRun& r) { r.platform.FailOn(Op::SystemDirectory); }, {Export1, Export2, Import1, Import2}},
        {[](ResetRun& r) { r.platform.FailOn(Op::ApplicationFolder); }, {Renew}},
        {[](ResetRun& r) { r.platform.FailOn(Op::CreateAdministratorsFolder); }, {Export1, Export2, Renew}},
        {[](ResetRun& r) { r.platform.FailOn(Op::CloseWriter, 1); }, {Export1, Export2, Import2, Renew}},
        {[](ResetRun& r) { r.platform.applicationFolder = "D:\\"; },
         {"hidden, wait 30000: " + Regedit + R"(/e "D:\winsockbak.reg" )" + Key + '"',
          "hidden, wait 30000: " + Regedit + R"(/e "D:\winsock2bak.reg" )" + Key + "2\"", Renew}},
    };
    for (const auto& [arrange, expected] : cases) {
        ResetRun run;
        arrange(run);
        EXPECT_EQ(run(), expected);
        EXPECT_FALSE(run.dir.Exists("A"));
        EXPECT_EQ(Commands(run.platform.journal.end() - 2, run.platform.journal.end()),
                  (Commands{"Pause 5000", "ActivateWindow 7"}));
    }
    ResetRun run;
    run();
    EXPECT_EQ(run.imported, (Commands{Shipped("winsock.reg"), Shipped("winsock2.reg")}));
}

}  // namespace
}  // namespace resolvo::winsock
