#include "winsock/WinsockReset.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <set>
#include <string>

#include "support/FakeWindow.h"
#include "support/RecordingPlatform.h"
#include "support/TempDir.h"

namespace resolvo::winsock {
namespace {

using testing::CommandRecord;
using testing::FakeWindow;
using testing::Op;
using testing::RecordingPlatform;

constexpr WindowStyle Hidden = WindowStyle::Hidden;

const std::string Export1 = R"("C:\WINDOWS\regedit.exe" /e "C:\Tools\Fix\winsockbak.reg" )"
                            R"("HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\Winsock")";
const std::string Export2 = R"("C:\WINDOWS\regedit.exe" /e "C:\Tools\Fix\winsock2bak.reg" )"
                            R"("HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\Winsock2")";
const std::string Import1 = R"("C:\WINDOWS\regedit.exe" /s /i "C:\Tools\Fix\winsock.reg")";
const std::string Import2 = R"("C:\WINDOWS\regedit.exe" /s /i "C:\Tools\Fix\winsock2.reg")";
const std::string Renew = R"("C:\WINDOWS\system32\ipconfig.exe" /renew)";

// The program folder is a temporary one, shown to the procedure as
// C:\Tools\Fix; the registry editor writes the backups it is asked for,
// unless told not to.
struct ResetRun {
    ResetRun() {
        folder = dir.PathOf("");
        folder.pop_back();
        platform.applicationFolder = folder;
        platform.onCommand = [this](const std::string& command) {
            for (const char* name : {"winsockbak.reg", "winsock2bak.reg"}) {
                if (command.find(std::string("/e \"") + platform.applicationFolder + "\\" + name) !=
                        std::string::npos &&
                    exports.count(name) != 0) {
                    dir.Write(name, "REGEDIT4\r\n");
                }
            }
        };
    }

    std::vector<std::string> operator()() {
        FakeWindow window("", WindowId{7});
        platform.hiddenWindows.insert(WindowId{7});
        WinsockReset(platform).ResetWinsock(window);
        std::vector<std::string> commands;
        for (const CommandRecord& record : platform.commands) {
            std::string command = record.command;
            const std::size_t at = command.find(folder);
            if (at != std::string::npos) {
                command.replace(at, folder.size(), R"(C:\Tools\Fix)");
            }
            commands.push_back(command);
            EXPECT_EQ(record.style, Hidden);
            EXPECT_EQ(record.wait, record.command.find(" /e ") != std::string::npos) << command;
        }
        return commands;
    }

    testing::TempDir dir;
    std::string folder;
    RecordingPlatform platform;
    std::set<std::string> exports{"winsockbak.reg", "winsock2bak.reg"};
};

using Commands = std::vector<std::string>;

TEST(WinsockReset, BacksUpBothKeysImportsRenewsPausesAndActivates) {
    ResetRun run;
    EXPECT_EQ(run(), (Commands{Export1, Export2, Import1, Import2, Renew}));
    const auto& journal = run.platform.journal;
    ASSERT_GE(journal.size(), 2u);
    EXPECT_EQ(journal[journal.size() - 2], "Pause 5000");
    EXPECT_EQ(journal.back(), "ActivateWindow 7");  // hidden while loading: ignored
}

// A settings file is imported only over a backup this run's export wrote.
TEST(WinsockReset, ImportsOnlyWhatThisRunBackedUp) {
    struct Case {
        std::set<std::string> exports;
        bool oldBackups;
        Commands expected;
    };
    const Case cases[] = {
        {{"winsock2bak.reg"}, false, {Export1, Export2, Import2, Renew}},
        {{}, true, {Export1, Export2, Renew}},
        {{"winsockbak.reg"}, true, {Export1, Export2, Import1, Renew}},
    };
    for (const Case& c : cases) {
        ResetRun run;
        run.exports = c.exports;
        if (c.oldBackups) {
            run.dir.Write("winsockbak.reg", "old");
            run.dir.Write("winsock2bak.reg", "old");
            std::filesystem::last_write_time(
                run.dir.Path() / "winsockbak.reg",
                std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
            std::filesystem::last_write_time(
                run.dir.Path() / "winsock2bak.reg",
                std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
        }
        EXPECT_EQ(run(), c.expected);
    }
}

// Every command is started even when others cannot be, and none by bare
// name: without the system directory the renewal is skipped, without the
// program folder the registry rows are.
TEST(WinsockReset, GoesOnWhenAStepFails) {
    const std::vector<std::pair<std::function<void(RecordingPlatform&)>, Commands>> cases{
        {[](RecordingPlatform& p) { p.FailOn(Op::RunCommand, 1); }, {Export1, Export2, Import2, Renew}},
        {[](RecordingPlatform& p) { p.systemDirectoryFails = true; }, {Export1, Export2, Import1, Import2}},
        {[](RecordingPlatform& p) { p.FailOn(Op::ApplicationFolder); }, {Renew}},
        {[](RecordingPlatform& p) { p.applicationFolder = "D:\\"; },
         {R"("C:\WINDOWS\regedit.exe" /e "D:\winsockbak.reg" "HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\Winsock")",
          R"("C:\WINDOWS\regedit.exe" /e "D:\winsock2bak.reg" "HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\Winsock2")",
          Renew}},
    };
    for (const auto& [arrange, expected] : cases) {
        ResetRun run;
        arrange(run.platform);
        EXPECT_EQ(run(), expected);
        EXPECT_EQ(run.platform.pauses, std::vector<int>{5000});
    }
}

}  // namespace
}  // namespace resolvo::winsock
