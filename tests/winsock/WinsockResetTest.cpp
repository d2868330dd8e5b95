#include "winsock/WinsockReset.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "support/FakeWindow.h"
#include "support/RecordingPlatform.h"
#include "support/TempDir.h"

namespace resolvo::winsock {
namespace {

namespace fs = std::filesystem;
using testing::Op;
using Commands = std::vector<std::string>;
using Names = std::set<std::string>;

const std::string Regedit = R"("C:\WINDOWS\regedit.exe" )";
const std::string Key = R"(HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\Winsock)";
const std::string Export1 = "hidden, wait 30000: " + Regedit + R"(/e "A\winsockbak.reg" ")" + Key + '"';
const std::string Export2 = "hidden, wait 30000: " + Regedit + R"(/e "A\winsock2bak.reg" ")" + Key + "2\"";
const std::string Import1 = "hidden, wait 15000: " + Regedit + R"(/s "A\winsock.reg")";
const std::string Import2 = "hidden, wait 15000: " + Regedit + R"(/s "A\winsock2.reg")";
const std::string Renew = R"(hidden, no wait: "C:\WINDOWS\system32\ipconfig.exe" /renew)";

const std::string WinsockParameters = R"(SYSTEM\CurrentControlSet\Services\Winsock\Parameters)";
const std::string Winsock2Parameters = R"(SYSTEM\CurrentControlSet\Services\Winsock2\Parameters)";
// The values every Windows from XP on holds there.
const std::map<std::string, std::string> KnownValues{{"WinSock_Registry_Version", "2.0"},
                                                     {"Current_Protocol_Catalog", "Protocol_Catalog9"},
                                                     {"Current_NameSpace_Catalog", "NameSpace_Catalog5"}};

const std::string NotReset = "Resolvo could not reset the network settings of Windows (Winsock)";
const std::string Advice =
    "\r\n\r\nRestart Windows and run Resolvo again. If this message comes back, import the files "
    "\"winsock.reg\" and \"winsock2.reg\" that came with Resolvo by hand (double-click each, as "
    "administrator), and restart Windows.";
std::string Saved(const std::string& files) {
    return NotReset + ".\r\n\r\nThe settings as they were are saved in " + files + " in F\\." + Advice;
}
const std::string SavedBoth = Saved("the files \"winsockbak.reg\" and \"winsock2bak.reg\"");
const std::string SavedFirst = Saved("the file \"winsockbak.reg\"");
const std::string SavedSecond = Saved("the file \"winsock2bak.reg\"");
const std::string NothingSaved =
    NotReset + ": it could not save them first, so it did not import its own." + Advice;

// What the download ships beside the program, with CR LF line ends.
std::string Shipped(const std::string& name) {
    std::ifstream file(std::string(RESOLVO_RESOURCES_DIR) + "/" + name, std::ios::binary);
    std::string content;
    for (std::string line; std::getline(file, line);) {
        content += (line.ends_with('\r') ? line : line + '\r') + '\n';
    }
    return content;
}

// What the registry editor exports into a backup of that name.
std::string Exported(const std::string& backup) {
    return "REGEDIT4\r\n\r\n[" + (backup == "winsockbak.reg" ? Key : Key + "2") + "]\r\n";
}

// The name of the file the command gives after the switch.
std::string FileAfter(const std::string& command, const std::string& switchText) {
    const std::size_t start = command.find(switchText + '"') + switchText.size() + 1;
    const std::string path = command.substr(start, command.find('"', start) - start);
    return path.substr(path.rfind('\\') + 1);
}

// The program folder F and the private folder A are temporary ones. The registry editor exports the keys
// asked for, unless told not to, and an import takes effect where it is told to and the file is the shipped
// one. Before the run, the machine's Winsock keys are missing and a catalog is another one, a program of the
// user has put links under the backups' names, to two files of Windows, and an earlier run has left two
// private folders, one with files in it.
struct ResetRun {
    ResetRun() {
        platform.applicationFolder = folder;
        platform.administratorsFolder = privateFolder;
        dir.Write("F/winsock.reg", "changed by another program");
        dir.Write("win.ini", "[windows]");
        dir.Write("system.ini", "[drivers]");
        fs::create_symlink(dir.Path() / "win.ini", dir.Path() / "F" / "winsockbak.reg");
        fs::create_hard_link(dir.Path() / "system.ini", dir.Path() / "F" / "winsock2bak.reg");
        dir.Write("left.1/held.reg", "x");
        dir.Write("left.1/winsock.reg", "x");
        fs::create_directory(dir.Path() / "left.2");
        platform.administratorsFoldersLeft = {dir.PathOf("left.1"), dir.PathOf("left.2")};
        platform.settings[Winsock2Parameters] = KnownValues;
        platform.settings[Winsock2Parameters]["Current_Protocol_Catalog"] = "Protocol_Catalog5";
        platform.onCommand = [this](const std::string& command) {
            if (command.find(" /e ") != std::string::npos) {
                const std::string name = FileAfter(command, "/e ");
                if (exports.count(name) != 0) {
                    dir.Write("resolvo.0f1e/" + name, emptyExports.count(name) != 0 ? "" : Exported(name));
                }
            } else if (command.find(" /s ") != std::string::npos) {
                const std::string name = FileAfter(command, "/s ");
                if (takes.count(name) == 0 || dir.Read("resolvo.0f1e/" + name) != Shipped(name)) {
                    return;
                }
                if (name == "winsock.reg") {
                    platform.settings[R"(SYSTEM\CurrentControlSet\Services\Winsock)"];
                    platform.settings[WinsockParameters];
                } else {
                    platform.settings[Winsock2Parameters] = KnownValues;
                }
            }
        };
    }

    // The commands started, each with its window style and wait; the journal
    // names the two folders F and A.
    Commands operator()() {
        testing::FakeWindow window("", WindowId{7});
        platform.FailOn(Op::ActivateWindow);  // still loading
        WinsockReset reset(platform);
        reset.ResetWinsock(window);
        shownWhileLoading = platform.CallsOf(Op::ShowMessage).size();
        lastSteps.assign(platform.journal.end() - 2, platform.journal.end());
        platform.answers = {MessageAnswer::Ok};
        reset.TellOutcome();
        reset.TellOutcome();  // once only
        for (std::string& entry : platform.journal) {
            for (const auto& [path, name] : {std::pair{privateFolder, "A"}, std::pair{folder, "F"}}) {
                for (std::size_t at; (at = entry.find(path)) != std::string::npos;) {
                    entry.replace(at, path.size(), name);
                }
            }
        }
        return platform.CallsOf(Op::RunCommand);
    }

    // Every file in the program's folder, with its bytes.
    std::map<std::string, std::string> ProgramFolder() const {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::directory_iterator(dir.Path() / "F")) {
            files[entry.path().filename().string()] = dir.Read("F/" + entry.path().filename().string());
        }
        return files;
    }

    testing::TempDir dir;
    const std::string folder = dir.PathOf("F");
    const std::string privateFolder = dir.PathOf("resolvo.0f1e");
    testing::RecordingPlatform platform;
    Names exports{"winsockbak.reg", "winsock2bak.reg"};
    Names emptyExports;  // exports that leave an empty file
    Names takes{"winsock.reg", "winsock2.reg"};
    std::size_t shownWhileLoading = 0;
    Commands lastSteps;  // of the reset, before anything is told
};

struct ResetCase {
    const char* name;
    std::function<void(ResetRun&)> arrange;
    Commands commands;
    Names backups;                // the backups this run put beside the program
    std::string message;          // what the user is told once the window is up; empty: nothing
    bool firstLeftKept = false;   // the folder left with files in it stays
    bool secondLeftKept = false;  // the empty folder left stays
};

// Each key is imported only over a backup this run put beside the program, from the private folder, which
// is removed again; where the settings read back do not hold, or an import was not made, the user is told
// once the window is up. Every command starts even when others cannot. A backup made now replaces the link,
// not what it names; where nothing was exported, the earlier one stays. Folders an earlier run left go
// before a new one is made; one whose file is still held stays, and the reset goes on.
TEST(WinsockReset, ImportsOverBackupsMadeNowReadsBackAndTellsWhatDidNotTakeEffect) {
    const Commands all{Export1, Export2, Import1, Import2, Renew};
    const Commands first{Export1, Export2, Import1, Renew};
    const Commands second{Export1, Export2, Import2, Renew};
    const Commands noImport{Export1, Export2, Renew};
    const Commands noRenewal{Export1, Export2, Import1, Import2};
    const Names both{"winsockbak.reg", "winsock2bak.reg"};
    const Names firstOnly{"winsockbak.reg"};
    const Names secondOnly{"winsock2bak.reg"};
    const Names none;
    const std::vector<ResetCase> cases{
        {"the settings take effect", [](ResetRun&) {}, all, both, ""},
        {"a catalog stays another one", [](ResetRun& r) { r.takes = {"winsock.reg"}; }, all, both, SavedBoth},
        {"the Winsock keys stay missing", [](ResetRun& r) { r.takes = {"winsock2.reg"}; }, all, both,
         SavedBoth},
        {"the settings cannot be read back", [](ResetRun& r) { r.platform.FailOn(Op::ReadSetting); }, all,
         both, SavedBoth},
        {"the first export leaves an empty file", [](ResetRun& r) { r.emptyExports = {"winsockbak.reg"}; },
         second, secondOnly, SavedSecond},
        {"the second export cannot start", [](ResetRun& r) { r.platform.FailOn(Op::RunCommand, 2); }, first,
         firstOnly, SavedFirst},
        {"no export writes anything", [](ResetRun& r) { r.exports.clear(); }, noImport, none, NothingSaved},
        {"the private folder is refused",
         [](ResetRun& r) { r.platform.FailOn(Op::CreateAdministratorsFolder); }, Commands{Renew}, none,
         NothingSaved},
        {"the second copy cannot take the backup's name",
         [](ResetRun& r) { r.platform.FailOn(Op::MoveOver, 2); }, first, firstOnly, SavedFirst},
        {"the first settings file cannot be written",
         [](ResetRun& r) { r.platform.FailOn(Op::CloseWriter, 3); }, second, both, SavedBoth},
        {"the renewal's program is unknown", [](ResetRun& r) { r.platform.FailOn(Op::SystemDirectory); },
         noRenewal, both, ""},
        {"a file left is held", [](ResetRun& r) { r.platform.FailOn(Op::RemoveFile, 0, "held.reg"); }, all,
         both, "", true},
        {"the folders left cannot be listed",
         [](ResetRun& r) { r.platform.FailOn(Op::AdministratorsFoldersLeft); }, all, both, "", true, true},
    };
    for (const ResetCase& c : cases) {
        SCOPED_TRACE(c.name);
        ResetRun run;
        c.arrange(run);
        std::map<std::string, std::string> expected = run.ProgramFolder();
        EXPECT_EQ(run(), c.commands);
        EXPECT_FALSE(fs::exists(run.dir.Path() / "resolvo.0f1e"));
        EXPECT_EQ(run.lastSteps, (Commands{"Pause 5000", "ActivateWindow 7"}));
        EXPECT_EQ(run.shownWhileLoading, 0u);
        EXPECT_EQ(run.platform.CallsOf(Op::ShowMessage),
                  c.message.empty() ? Commands{} : Commands{"critical: " + c.message});
        for (const std::string& backup : c.backups) {
            expected[backup] = Exported(backup);
        }
        EXPECT_EQ(run.ProgramFolder(), expected);
        EXPECT_EQ(run.dir.Read("win.ini") + run.dir.Read("system.ini"), "[windows][drivers]");
        EXPECT_EQ(fs::exists(run.dir.Path() / "left.1"), c.firstLeftKept);
        EXPECT_EQ(fs::exists(run.dir.Path() / "left.2"), c.secondLeftKept);
        const auto& journal = run.platform.journal;
        EXPECT_EQ(std::find(journal.begin(), journal.end(), "RemoveFolder " + run.dir.PathOf("left.2")) <
                      std::find(journal.begin(), journal.end(), "CreateAdministratorsFolder "),
                  !c.secondLeftKept);
    }
}

}  // namespace
}  // namespace resolvo::winsock
