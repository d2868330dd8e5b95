#include "fix/SiteFixer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "support/FakeWindow.h"
#include "support/RecordingPlatform.h"
#include "support/TempDir.h"

namespace resolvo::fix {
namespace {

using testing::FakeWindow;
using testing::Op;
using testing::RecordingPlatform;
using Seen = std::vector<std::string>;

constexpr MessageAnswer Yes = MessageAnswer::Yes;
constexpr MessageAnswer No = MessageAnswer::No;
constexpr MessageAnswer Ok = MessageAnswer::Ok;

const std::string Typed = "http://www.example.com/news/today.html";
const std::string BrowserPath = R"(C:\Program Files\Internet Explorer\iexplore.exe)";
const std::string Browser = '"' + BrowserPath + "\" ";
const Seen Repair{"put hosts.rv2", "put lmhosts.rv2", "put hosts", "put lmhosts"};
const std::string OpenTyped = "focus, no wait: " + Browser + '"' + Typed + '"';
const std::string Wait = "Pause 5000";
const std::string Activate = "ActivateWindow 42";
const std::string Question = "yes/no: Did the page load successfully?";
const std::string Kept =
    "ok: The correction will remain within the system.\r\n\r\n"
    "You can now reactivate any web acceleration software that you use.";
const std::string Offer =
    "yes/no: Unfortunately " RESOLVO_PRODUCT_NAME " is unable to solve your problem.\r\n\r\n"
    "Would you like to run a free all inclusive scan which may help you solve the problem?";
const std::string OpenFreeScan =
    "focus, no wait: " + Browser + "\"http://" + std::string(FreeScanHost) + "/freescan.html\"";
const std::string Hosts = "127.0.0.1 localhost\r\n10.0.0.7 www.example.com\r\n";

std::string Basename(const std::string& path) {
    return path.substr(path.rfind('\\') + 1);
}

// A run of the fix on a system folder of its own, told as what the user gets
// to see, in order: the name files put in place, commands with window style
// and wait, programs opened through the shell, message boxes with their kind,
// pauses and activations.
struct FixRun {
    explicit FixRun(std::string address = Typed) : window(std::move(address)) {
        platform.systemDirectory = dir.PathOf("sys");
        platform.programs.insert(BrowserPath);
        dir.Write("sys/drivers/etc/hosts", Hosts);
    }

    Seen operator()(const std::vector<MessageAnswer>& answers) {
        for (const MessageAnswer answer : answers) {
            platform.ScriptAnswers({answer});
        }
        namefiles::NameFileRepair nameFiles(platform, "test");
        SiteFixer(platform, nameFiles).RunFix(window);
        Seen seen;
        auto command = platform.commands.begin();
        auto message = platform.messages.begin();
        for (const std::string& entry : platform.journal) {
            const std::string subject = entry.substr(entry.find(' ') + 1);
            if (entry.starts_with("Replace ") || entry.starts_with("Rename ")) {
                seen.push_back("put " + Basename(subject));
            } else if (entry.starts_with("RunCommand ")) {
                const char* how = command->style == WindowStyle::Hidden ? "hidden" : "focus";
                seen.push_back(how + std::string(command->wait ? ", wait: " : ", no wait: ") +
                               command->command);
                ++command;
            } else if (entry.starts_with("ShowMessage ")) {
                const MessageKind kind = message->kind;
                seen.push_back((kind == MessageKind::Critical ? "critical: "
                                : kind == MessageKind::YesNo  ? "yes/no: "
                                                              : "ok: ") +
                               message->text);
                ++message;
            } else if (entry.starts_with("OpenA") || entry.starts_with("Pause 5000") ||
                       entry.starts_with("ActivateWindow ")) {
                seen.push_back(entry);
            }
        }
        return seen;
    }

    std::string Flush() const {
        return "hidden, no wait: \"" + platform.systemDirectory + R"(\ipconfig.exe" /flushdns)";
    }

    testing::TempDir dir;
    RecordingPlatform platform;
    FakeWindow window;
};

Seen Joined(std::vector<Seen> parts) {
    Seen all;
    for (const Seen& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

TEST(SiteFixer, RefusesAnAddressWithoutAHostAndTouchesNothing) {
    for (const char* address : {"http://", "", "   ", "www..", ".com"}) {
        FixRun run(address);
        EXPECT_EQ(run({Ok}), Seen{"critical: Invalid web address."}) << address;
        EXPECT_EQ(run.platform.journal.size(), 1u) << address;
        EXPECT_EQ(run.dir.Read("sys/drivers/etc/hosts"), Hosts);
    }
}

TEST(SiteFixer, RepairsThenFlushesOpensAndFollowsTheAnswers) {
    const std::vector<std::pair<std::vector<MessageAnswer>, Seen>> paths{
        {{Yes, Ok}, {Kept}},
        {{No, No}, {Offer}},
        {{No, Yes}, {Offer, OpenFreeScan}},
    };
    for (const auto& [answers, after] : paths) {
        FixRun run;
        EXPECT_EQ(run(answers), Joined({Repair, {run.Flush(), OpenTyped, Wait, Activate, Question}, after}));
        EXPECT_EQ(run.dir.Read("sys/drivers/etc/hosts"),
                  "127.0.0.1 localhost\r\n#10.0.0.7 www.example.com\r\n");
        EXPECT_EQ(run.window.reads, 2);
    }
}

TEST(SiteFixer, GoesOnWhenAStepFails) {
    const std::vector<std::pair<std::function<void(RecordingPlatform&)>, Seen>> cases{
        // Without the system directory there is no repair, and no flush
        // either, rather than a search for "ipconfig" by bare name.
        {[](RecordingPlatform& p) {
             p.systemDirectoryFails = true;
             p.ScriptAnswers({Ok});
         },
         {"critical: Resolvo could not repair the hosts and lmhosts files: Windows reported error 3. They "
          "were left unchanged.\r\n\r\nPress Fix It again. If this comes back, restart Windows and try once "
          "more.",
          OpenTyped, Wait, Activate, Question, Kept}},
        {[](RecordingPlatform& p) { p.FailOn(Op::RunCommand, 0, "iexplore"); },
         Joined({Repair, {"FLUSH", OpenTyped, Wait, Activate, Question, Kept}})},
        {[](RecordingPlatform& p) {
             p.FailOn(Op::RunCommand);
             p.FailOn(Op::Pause);
             p.hiddenWindows.insert(WindowId{42});
         },
         Joined({Repair, {"FLUSH", OpenTyped, Wait, Activate, Question, Kept}})},
        // Without an answer to the question neither follow-up is shown.
        {[](RecordingPlatform& p) { p.FailOn(Op::ShowMessage, 0, "Did the page"); },
         Joined({Repair, {"FLUSH", OpenTyped, Wait, Activate, Question}})},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        FixRun run;
        cases[i].first(run.platform);
        Seen expected = cases[i].second;
        std::replace(expected.begin(), expected.end(), std::string("FLUSH"), run.Flush());
        EXPECT_EQ(run({Yes, Ok}), expected) << "case " << i;
    }
}

// The repair's failure is told once, in plain words, and the fix goes on.
TEST(SiteFixer, TellsWhyTheNameFilesWereLeftUnchanged) {
    const std::vector<std::pair<std::function<void(FixRun&)>, std::string>> cases{
        {[](FixRun& r) { r.platform.HoldFile(r.dir.PathOf("sys/drivers/etc/hosts"), 60000); },
         "another program is using it. The file was left unchanged.\r\n\r\nClose other programs, such as "
         "your virus checker, and press Fix It again."},
        {[](FixRun& r) {
             r.dir.Write("sys/drivers/etc/hosts", std::string("\xFF\xFE"
                                                              "1\0.\0",
                                                              6));
         },
         "it is saved as Unicode text, which Resolvo does not change"},
        {[](FixRun& r) {
             std::string tooLong;
             for (int i = 0; i <= 10000; ++i) {
                 tooLong += "#\r\n";
             }
             r.dir.Write("sys/drivers/etc/hosts", tooLong);
         },
         "it has more than 10,000 lines"},
        {[](FixRun& r) { r.platform.FailOn(Op::CreateNew, 0, {}, error_code::DiskFull); },
         "the disk is full"},
        {[](FixRun& r) { r.platform.FailOn(Op::CreateNew); }, "Windows did not allow Resolvo to change it"},
    };
    for (const auto& [arrange, reason] : cases) {
        FixRun run;
        arrange(run);
        const std::string before = run.dir.Read("sys/drivers/etc/hosts");
        const Seen seen = run({Ok, Yes, Ok});
        ASSERT_EQ(seen.size(), 7u) << reason;
        EXPECT_TRUE(seen[0].starts_with("critical: Resolvo could not repair the file \"hosts\" in " +
                                        run.platform.systemDirectory + "\\drivers\\etc\\: " + reason))
            << seen[0];
        EXPECT_EQ(Seen(seen.begin() + 1, seen.end()),
                  (Seen{run.Flush(), OpenTyped, Wait, Activate, Question, Kept}));
        EXPECT_EQ(run.dir.Read("sys/drivers/etc/hosts"), before) << reason;
    }
}

TEST(SiteFixer, OpensTheTypedAddressAsOneArgument) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {R"(example.com/"a b" c)", R"("example.com/%22a b%22 c")"},
        {" example.com/%22 ", R"(" example.com/%22 ")"},
        {R"(example.com\dir\)", R"("example.com\dir\\")"},
    };
    for (const auto& [address, argument] : cases) {
        FixRun run(address);
        run({Yes, Ok});
        ASSERT_EQ(run.platform.commands.size(), 2u);
        EXPECT_EQ(run.platform.commands[1].command, Browser + argument);
    }
}

// An elevated program opens the site as the desktop user, through the
// desktop's shell; where there is none it starts the browser as it can.
// Without Internet Explorer the default browser gets the page, and only a
// web address.
TEST(SiteFixer, OpensTheBrowserWithoutAdministratorRightsWhereItCan) {
    struct Case {
        bool elevated, desktopShell, internetExplorer;
        std::string address;
        Seen opened;
    };
    const std::string asUser = "OpenAsDesktopUser " + BrowserPath + " \"example.com\"";
    const Case cases[] = {
        {false, true, true, "example.com", {"focus, no wait: " + Browser + "\"example.com\""}},
        {true, true, true, "example.com", {asUser}},
        {true, false, true, "example.com", {asUser, "focus, no wait: " + Browser + "\"example.com\""}},
        {false, true, false, "example.com", {"OpenAddress http://example.com"}},
        {true, true, false, "example.com", {"OpenAsDesktopUser http://example.com "}},
        {true,
         false,
         false,
         "https://example.com/a b",
         {"OpenAsDesktopUser https://example.com/a%20b ", "OpenAddress https://example.com/a%20b"}},
        {true, true, false, "file://example.com/c$", {}},
    };
    for (const Case& c : cases) {
        FixRun run(c.address);
        run.platform.elevated = c.elevated;
        run.platform.desktopShell = c.desktopShell;
        if (!c.internetExplorer) {
            run.platform.programs.clear();
        }
        const Seen seen = run({Yes, Ok});
        const Seen opened(seen.begin() + static_cast<long>(Repair.size()) + 1, seen.end() - 4);
        EXPECT_EQ(opened, c.opened) << c.address << c.elevated << c.desktopShell << c.internetExplorer;
    }
}

}  // namespace
}  // namespace resolvo::fix
