#include "winsock/WinsockReset.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>

#include "support/FakeWindow.h"
#include "support/RecordingPlatform.h"
#include "support/TempDir.h"

namespace resolvo::winsock {
namespace {

using testing::Op;
using testing::RecordingPlatform;
using Commands = std::vector<std::string>;

const std::string Regedit = R"("C:\WINDOWS\regedit.exe" )";
const std::string Key = R"("HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\Winsock)";
const std::string Export1 = "hidden, wait: " + Regedit + R"(/e "F\winsockbak.reg" )" + Key + '"';
const std::string Export2 = "hidden, wait: " + Regedit + R"(/e "F\winsock2bak.reg" )" + Key + "2\"";
const std::string Import1 = "hidden, no wait: " + Regedit + R"(/s /i "F\winsock.reg")";
const std::string Import2 = "hidden, no wait: " + Regedit + R"(/s /i "F\winsock2.reg")";
const std::string Renew = R"(hidden, no wait: "C:\WINDOWS\system32\ipconfig.exe" /renew)";

// The program folder F is a temporary one, where the registry editor writes
// the backups it is asked for, unless told not to. Returns the commands
// started, each with its window style and wait.
struct ResetRun {
    ResetRun() {
        platform.applicationFolder = folder;
        platform.onCommand = [this](const std::string& command) {
            for (const char* name : {"winsockbak.reg", "winsock2bak.reg"}) {
                if (command.find(" /e ") != std::string::npos && command.find(name) != std::string::npos &&
                    exports.count(name) != 0) {
                    dir.Write(name, "REGEDIT4\r\n");
                }
            }
        };
    }

    Commands operator()() {
        testing::FakeWindow window("", WindowId{7});
        platform.hiddenWindows.insert(WindowId{7});  // still loading
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
    RecordingPlatform platform;
    std::set<std::string> exports{"winsockbak.reg", "winsock2bak.reg"};
};

TEST(WinsockReset, BacksUpBothKeysImportsRenewsThenPausesAndActivates) {
    ResetRun run;
    EXPECT_EQ(run(), (Commands{Export1, Export2, Import1, Import2, Renew}));
    EXPECT_EQ(Commands(run.platform.journal.end() - 2, run.platform.journal.end()),
              (Commands{"Pause 5000", "ActivateWindow 7"}));
}

// A settings file is imported only over a backup that this run's export
// wrote; every command starts even when others cannot, and none by bare
// name: without the system directory there is no renewal, without the
// program folder no registry row.
TEST(WinsockReset, ImportsOnlyOverThisRunsBackupsAndGoesOnWhenAStepFails) {
    const std::vector<std::pair<std::function<void(ResetRun&)>, Commands>> cases{
        {[](ResetRun& r) { r.exports = {"winsock2bak.reg"}; }, {Export1, Export2, Import2, Renew}},
        {[](ResetRun& r) {
             r.exports = {"winsockbak.reg"};
             r.dir.Write("winsockbak.reg", "from an earlier run");
             r.dir.Write("winsock2bak.reg", "from an earlier run");
         },
         {Export1, Export2, Import1, Renew}},
        {[](ResetRun& r) { r.platform.FailOn(Op::RunCommand, 1); }, {Export1, Export2, Import2, Renew}},
        {[](ResetRun& r) { r.platform.systemDirectoryFails = true; }, {Export1, Export2, Import1, Import2}},
        {[](ResetRun& r) { r.platform.FailOn(Op::ApplicationFolder); }, {Renew}},
        {[](ResetRun& r) { r.platform.applicationFolder = "D:\\"; },
         {"hidden, wait: " + Regedit + R"(/e "D:\winsockbak.reg" )" + Key + '"',
          "hidden, wait: " + Regedit + R"(/e "D:\winsock2bak.reg" )" + Key + "2\"", Renew}},
    };
    for (const auto& [arrange, expected] : cases) {
        ResetRun run;
        arrange(run);
        EXPECT_EQ(run(), expected);
        EXPECT_EQ(run.platform.CallsOf(Op::Pause), Commands{"5000"});
    }
}

}  // namespace
}  // namespace resolvo::winsock
