#include "fix/SiteFixer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/FakeWindow.h"
#include "support/RecordingPlatform.h"
#include "support/TempDir.h"

namespace resolvo::fix {
namespace {

using testing::Op;
using Seen = std::vector<std::string>;

using enum MessageAnswer;
constexpr std::uint32_t ClassNotRegistered = 0x80040154;  // REGDB_E_CLASSNOTREG, of the desktop's shell

const std::string Typed = "http://www.example.com/news/today.html";
const std::string BrowserPath = R"(C:\Program Files\Internet Explorer\iexplore.exe)";
const std::string Browser = "focus, no wait: \"" + BrowserPath + "\" ";
const Seen Repair{"put hosts.rv2", "put hosts", "put lmhosts"};
const std::string OpenTyped = Browser + '"' + Typed + '"';
const Seen Asked{"Pause 5000", "ActivateWindow 42", "yes/no: Did the page load successfully?"};
const std::string Kept =
    "ok: The correction will remain within the system.\r\n\r\n"
    "You can now reactivate any web acceleration software that you use.";
const std::string Offer =
    "yes/no: Unfortunately " RESOLVO_PRODUCT_NAME
    " is unable to solve your problem.\r\n\r\n"
    "Would you like to run a free all inclusive scan which may help you solve the problem?";
const std::string Hosts = "127.0.0.1 localhost\r\n10.0.0.7 www.example.com\r\n";
const std::string Repaired = "127.0.0.1 localhost\r\n#10.0.0.7 www.example.com\r\n";

Seen Joined(const std::vector<Seen>& parts) {
    Seen all;
    for (const Seen& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// A run of the fix on a system folder of its own, told as what the user gets to see, in order: the files
// put in place, commands, programs opened through the shell, message boxes, the pause and the activation.
struct FixRun {
    explicit FixRun(std::string address = Typed) : window(std::move(address)) {
        platform.systemDirectory = dir.PathOf("sys");
        platform.programs.insert(BrowserPath);
        dir.Write("sys/drivers/etc/hosts", Hosts);
    }

    Seen operator()(const std::vector<MessageAnswer>& answers) {
        platform.answers.assign(answers.begin(), answers.end());
        fixer.RunFix(window);
        Seen seen;
        for (const std::string& entry : platform.journal) {
            const std::string subject = entry.substr(entry.find(' ') + 1);
            if (entry.starts_with("Replace ") || entry.starts_with("Rename ")) {
                seen.push_back("put " + subject.substr(subject.rfind('\\') + 1));
            } else if (entry.starts_with("RunCommand ") || entry.starts_with("ShowMessage ")) {
                seen.push_back(subject);
            } else if (entry.starts_with("OpenA") || entry.starts_with("RunAs") || entry == "Pause 5000" ||
                       entry.starts_with("Activate")) {
                seen.push_back(entry);
            }
        }
        return seen;
    }

    // What was opened, or told instead (an ok message), between the flush and the question, answered Yes.
    Seen Opened(bool told) {
        const Seen seen = (*this)(told ? std::vector{Ok, Yes, Ok} : std::vector{Yes, Ok});
        const auto flush = std::find(seen.begin(), seen.end(), Flush());
        return flush == seen.end() || seen.size() < 4 ? seen : Seen(flush + 1, seen.end() - 4);
    }

    std::string Flush() const {
        return "hidden, wait 10000: \"" + platform.systemDirectory + R"(\ipconfig.exe" /flushdns)";
    }

    testing::TempDir dir;
    testing::RecordingPlatform platform;
    testing::FakeWindow window;
    namefiles::NameFileRepair nameFiles{platform, platform, "test"};
    SiteFixer fixer{platform, nameFiles};
};

// An address without a host, or one a browser would take for something else than a web page (a file,
// another scheme, a host hidden behind user information), is refused before any other call.
TEST(SiteFixer, RefusesAnAddressWithoutAHostAndTouchesNothing) {
    for (const char* address :
         {"http://", ".com", "999.1.1.1", "file://example.com/share/x.hta", "example.com:80@evil.com"}) {
        FixRun run(address);
        run({Ok});
        EXPECT_EQ(run.platform.journal, Seen{"ShowMessage critical: Invalid web address."}) << address;
    }
}

// Each step goes on when one before it failed. A browser that could not be started is said, with the
// address to open; without an answer to the question neither follow-up is shown.
TEST(SiteFixer, RepairsThenFlushesOpensAsksAndFollowsTheAnswers) {
    const Seen notStarted{
        "critical: Resolvo could not start your web browser. Please open this address in it "
        "yourself:\r\n\r\nhttp://www.example.com/news/today.html"};
    const std::string freeScan = Browser + "\"http://" + std::string(FreeScanHost) + "/freescan.html\"";
    struct Row {
        std::vector<Op> failing;
        std::vector<MessageAnswer> answers;
        Seen beforeQuestion;
        Seen afterQuestion;
    };
    const Row rows[] = {
        {{}, {Yes, Ok}, {}, {Kept}},
        {{}, {No, No}, {}, {Offer}},
        {{}, {No, Yes}, {}, {Offer, freeScan}},
        {{Op::RunCommand, Op::Pause, Op::ActivateWindow}, {Ok, Yes, Ok}, notStarted, {Kept}},
        {{Op::ShowMessage}, {}, {}, {}},
    };
    for (const Row& row : rows) {
        FixRun run;
        for (const Op op : row.failing) {
            run.platform.FailOn(op);
        }
        EXPECT_EQ(run(row.answers),
                  Joined({Repair, {run.Flush(), OpenTyped}, row.beforeQuestion, Asked, row.afterQuestion}));
        EXPECT_EQ(run.dir.Read("sys/drivers/etc/hosts"), Repaired);
    }
}

// A repair that failed is told once, and the fix goes on. Each kind of failure names the file, gives its
// reason in words and says what to do, and no two kinds read alike; without the system directory there is
// no flush either, rather than a search for "ipconfig" by bare name.
TEST(SiteFixer, TellsWhyTheNameFilesWereLeftUnchangedAndWhatToDo) {
    struct Row {
        std::string label;
        Op op;
        std::string subject;  // of the call that fails, or what the file is written as
        std::uint32_t code;
        std::vector<std::string> names;  // the files the message names
    };
    const std::vector<Row> rows{
        {"busy", Op::CreateNew, "hosts.test", error_code::SharingViolation, {"\"hosts\""}},
        {"denied", Op::CreateNew, "hosts.test", error_code::AccessDenied, {"\"hosts\""}},
        {"disk full", Op::CreateNew, "hosts.test", error_code::DiskFull, {"\"hosts\""}},
        {"a folder in its place", Op::CreateNew, "hosts.test", error_code::AlreadyExists, {"\"hosts\""}},
        {"no etc folder", Op::CreateNew, "hosts.test", error_code::PathNotFound, {"\"hosts\""}},
        {"another error", Op::CreateNew, "hosts.test", 1117, {"\"hosts\"", "1117"}},
        {"too long", Op::OpenForReading, std::string(10001, '\r'), 0, {"\"hosts\""}},
        {"Unicode", Op::OpenForReading, std::string("\xFF\xFE\x61\0b\0", 6), 0, {"\"hosts\""}},
        {"the backup", Op::CreateNew, "hosts.rv2", error_code::DiskFull, {"\"hosts\"", "\"hosts.rv2\""}},
        {"lmhosts", Op::CreateNew, "lmhosts.test", error_code::AccessDenied, {"\"lmhosts\""}},
        {"no system directory", Op::SystemDirectory, "", error_code::PathNotFound, {"hosts and lmhosts"}},
        {"both copies left", Op::Rename, "hosts.test", error_code::WriteFault, {"\"hosts\""}},
    };
    std::set<std::string> told;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        FixRun run;
        if (row.op == Op::OpenForReading) {
            run.dir.Write("sys/drivers/etc/hosts", row.subject);
        } else if (row.op == Op::Rename) {
            // Windows' replace stops half way, and neither file can be moved back.
            run.platform.FailOn(Op::Replace, 0, "hosts.test", error_code::UnableToMoveReplacement2);
            run.platform.FailOn(Op::Rename, 0, row.subject, row.code);
        } else {
            run.platform.FailOn(row.op, 0, row.subject, row.code);
        }
        const std::string before = run.dir.Read("sys/drivers/etc/hosts");
        run({Ok, Yes, Ok});
        const Seen messages = run.platform.CallsOf(Op::ShowMessage);
        ASSERT_EQ(messages.size(), 3u);  // the failure, once, then the question and its answer
        EXPECT_EQ(Seen(messages.begin() + 1, messages.end()), (Seen{Asked.back(), Kept}));
        const std::string& message = messages.front();
        ASSERT_TRUE(message.starts_with("critical: Resolvo could not ")) << message;
        for (const std::string& name : row.names) {
            EXPECT_NE(message.find(name), std::string::npos) << message;
        }
        const std::size_t reason = message.find(": ", 10);
        const std::size_t advice = message.find("\r\n\r\n");
        ASSERT_NE(advice, std::string::npos) << message;
        EXPECT_TRUE(advice - reason > 20 && message[advice - 1] == '.') << message;  // a reason, in sentences
        EXPECT_TRUE(message.find("Fix It", advice) != std::string::npos ||
                    message.find("Notepad", advice) != std::string::npos)
            << message;
        std::string text = message;  // alike but for the test's own folder is alike
        if (const std::size_t folder = text.find(run.platform.systemDirectory); folder != std::string::npos) {
            text.erase(folder, run.platform.systemDirectory.size());
        }
        EXPECT_TRUE(told.insert(text).second) << message;
        if (row.op == Op::Rename) {
            EXPECT_FALSE(run.dir.Exists("sys/drivers/etc/hosts"));
            EXPECT_NE(message.find("the next Fix It puts the newer one"), std::string::npos) << message;
            EXPECT_EQ(message.find("left unchanged"), std::string::npos) << message;
        } else if (row.names.front() != "\"lmhosts\"") {
            EXPECT_EQ(run.dir.Read("sys/drivers/etc/hosts"), before);
        }
        if (row.op == Op::SystemDirectory) {
            EXPECT_EQ(run.platform.CallsOf(Op::RunCommand), Seen{OpenTyped});
        }
    }
}

// Where Windows reads the name files from another folder than the usual one, the files there are
// repaired, and the run says so once, naming the folder: after its first repair, or in its first failure.
TEST(SiteFixer, SaysOnceInARunThatWindowsReadsTheFilesFromAnUnusualFolder) {
    for (const bool fails : {false, true}) {
        FixRun run;
        const std::string folder = run.dir.PathOf("elsewhere");
        run.dir.Write("elsewhere/hosts", Hosts);
        run.platform.settings["SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters"]["DataBasePath"] =
            folder;
        if (fails) {
            run.platform.FailOn(Op::CreateNew, 1, "hosts.rv2", error_code::DiskFull);
        }
        run({Ok, Yes, Ok});
        const Seen told = run.platform.CallsOf(Op::ShowMessage);
        ASSERT_FALSE(told.empty());
        const std::string& text = told.front();
        EXPECT_TRUE(text.starts_with(fails ? "critical: " : "ok: ")) << text;
        EXPECT_NE(text.find(folder + "\\"), std::string::npos) << text;
        EXPECT_NE(text.find(fails ? "usual one, drivers\\etc" : "usual folder, drivers\\etc"),
                  std::string::npos)
            << text;
        EXPECT_EQ(run.dir.Read("elsewhere/hosts"), fails ? Hosts : Repaired);
        EXPECT_EQ(run.dir.Read("sys/drivers/etc/hosts"), Hosts);
        run.platform.journal.clear();  // the second fix of the run says nothing of the folder
        run({Yes, Ok});
        EXPECT_EQ(run.platform.CallsOf(Op::ShowMessage), (Seen{Asked.back(), Kept}));
    }
}

struct Token {
    const char* kind;
    std::optional<Elevation> elevation;  // nothing: the platform cannot tell
    bool startsDirectly;
};

struct Routes {
    const char* machine;
    bool desktopShell;
    bool shellToken;
    bool programFiles;      // the shell names the programs' folder, D:\Programme here
    bool internetExplorer;  // in that folder
    Seen direct;
    Seen asDesktopUser;
};

// An elevated program, of whatever kind of token, opens the site only as the desktop user: through the
// desktop's shell, or else with its process's token, or not at all. Only a token that is not elevated, or
// one on a Windows that knows no elevation, starts the browser itself. Internet Explorer is the one in the
// programs' folder the shell names: one in a "C:\Program Files" that is not that folder, which any user may
// have made, is never started. Without it the default browser gets the page.
TEST(SiteFixer, OpensTheBrowserWithoutAdministratorRightsOrNotAtAll) {
    const std::string iexplore = R"(D:\Programme\Internet Explorer\iexplore.exe)";
    const std::string ie = "focus, no wait: \"" + iexplore + "\" \"http://x.com\"";
    const std::string asUser = "OpenAsDesktopUser " + iexplore + " \"http://x.com\"";
    const std::string withToken = "RunAsShellUser \"" + iexplore + "\" \"http://x.com\"";
    const std::string notStarted =
        "ok: Resolvo did not start your web browser, because it would have run with administrator rights. "
        "Please open this address in it yourself:\r\n\r\nhttp://x.com";
    const Token tokens[] = {
        {"Windows XP", Elevation::NoElevation, true},
        {"a standard user's, or an administrator's filtered token under UAC", Elevation::NotElevated, true},
        {"an administrator's full token, or the built-in Administrator's", Elevation::Elevated, false},
        {"a token that cannot be asked", std::nullopt, false},
    };
    const std::string byDefault = "OpenAddress http://x.com";
    const std::string defaultAsUser = "OpenAsDesktopUser http://x.com ";
    const Routes routes[] = {
        {"every route", true, true, true, true, {ie}, {asUser}},
        {"no desktop shell", false, true, true, true, {ie}, {asUser, withToken}},
        {"neither route", false, false, true, true, {ie}, {asUser, withToken, notStarted}},
        {"Internet Explorer removed", true, true, true, false, {byDefault}, {defaultAsUser}},
        {"no shell or programs' folder", false, true, false, true, {byDefault}, {defaultAsUser, notStarted}},
    };
    for (const Token& token : tokens) {
        for (const Routes& route : routes) {
            FixRun run("x.com");
            run.platform.elevation = token.elevation.value_or(Elevation::Elevated);
            if (!token.elevation) {
                run.platform.FailOn(Op::ProgramElevation);
            }
            if (!route.desktopShell) {
                run.platform.FailOn(Op::OpenAsDesktopUser, 0, {}, ClassNotRegistered);
            }
            if (!route.shellToken) {
                run.platform.FailOn(Op::RunAsShellUser);
            }
            run.platform.programFilesFolder = R"(D:\Programme)";
            if (!route.programFiles) {
                run.platform.FailOn(Op::ProgramFilesFolder, 0, {}, 0x80004005);  // E_FAIL
            }
            if (route.internetExplorer) {
                run.platform.programs.insert(iexplore);
            }
            const Seen& opened = token.startsDirectly ? route.direct : route.asDesktopUser;
            EXPECT_EQ(run.Opened(opened.back().starts_with("ok: ")), opened)
                << token.kind << ", " << route.machine;
        }
    }
}

struct LongAddress {
    const char* what;
    std::string address;
    Elevation elevation;
    bool desktopShell;
    bool started;
};

// The shell process's token starts a command line of at most 1,023 characters and its end, counted as
// Windows counts them (two for a character beyond the Basic Multilingual Plane); other routes take more.
TEST(SiteFixer, SaysSoWhereAnAddressIsTooLongForTheRouteLeft) {
    using enum Elevation;
    const std::string head = "http://x.com/";
    // The quoted browser, a blank and the quoted address.
    const std::size_t room = 1023 - (BrowserPath.size() + 2) - 1 - 2 - head.size();
    const std::string longest = head + std::string(room, 'a');
    const std::string u = "\xC3\xBC";             // one character, two bytes
    const std::string clef = "\xF0\x9D\x84\x9E";  // two characters, four bytes
    const LongAddress cases[] = {
        {"the longest", longest, Elevated, false, true},
        {"one more", longest + "a", Elevated, false, false},
        {"the longest, 2-byte characters", head + std::string(room - 2, 'a') + u + u, Elevated, false, true},
        {"a character beyond the plane", head + std::string(room - 1, 'a') + clef, Elevated, false, false},
        {"one more, through the desktop's shell", longest + "a", Elevated, true, true},
        {"one more, started directly", longest + "a", NotElevated, false, true},
    };
    const std::string tooLong =
        "ok: Resolvo did not start your web browser, because this address is too long for Resolvo to hand on "
        "to it. Please open the address in it yourself:\r\n\r\n";
    for (const LongAddress& row : cases) {
        FixRun run(row.address);
        run.platform.elevation = row.elevation;
        if (!row.desktopShell) {
            run.platform.FailOn(Op::OpenAsDesktopUser, 0, {}, ClassNotRegistered);
        }
        const std::string quoted = '"' + row.address + '"';
        Seen expected{"OpenAsDesktopUser " + BrowserPath + ' ' + quoted};
        if (row.elevation == NotElevated) {
            expected = {Browser + quoted};
        } else if (!row.desktopShell) {
            expected.push_back(row.started ? "RunAsShellUser \"" + BrowserPath + "\" " + quoted
                                           : tooLong + row.address);
        }
        EXPECT_EQ(run.Opened(!row.started), expected) << row.what;
    }
}

struct AddressKind {
    std::string typed;
    bool changesNameFiles;
    std::string opened;  // the one argument the browser is given
};

// Name files map names to addresses: an IP address typed is never looked for in them, even where a line
// holds it, and the fix goes on. Whatever was typed, the browser gets a web address in one argument.
TEST(SiteFixer, LooksOnlyForANameAndHandsTheAddressOnAsOneArgument) {
    const AddressKind cases[] = {
        {"https://10.0.0.7:8080/x", false, "https://10.0.0.7:8080/x"},
        {"[::1]", false, "http://[::1]"},
        {R"(www.example.com/"a b" c)", true, "http://www.example.com/%22a%20b%22%20c"},
        {R"(www.example.com\dir\)", true, R"(http://www.example.com\dir\\)"},
    };
    for (const AddressKind& row : cases) {
        FixRun run(row.typed);
        const Seen opened{run.Flush(), Browser + '"' + row.opened + '"'};
        EXPECT_EQ(run({Yes, Ok}), Joined({row.changesNameFiles ? Repair : Seen{}, opened, Asked, {Kept}}))
            << row.typed;
        EXPECT_EQ(run.platform.CallsOf(Op::OpenForReading).empty(), !row.changesNameFiles) << row.typed;
        EXPECT_EQ(run.dir.Read("sys/drivers/etc/hosts") != Hosts, row.changesNameFiles) << row.typed;
    }
}

// A name typed in Unicode is commented out in its ASCII form too, once.
TEST(SiteFixer, RepairsAnInternationalNameInBothForms) {
    FixRun run("http://\u00FC.example/");
    run.platform.asciiNames["\u00FC.example"] = "xn--tda.example";
    run.dir.Write("sys/drivers/etc/hosts",
                  "1 \u00FC.example\r\n2 xn--tda.example \u00FC.example\r\n3 xn--tda.example\r\n");
    run({Yes, Ok});
    EXPECT_EQ(run.dir.Read("sys/drivers/etc/hosts"),
              "#1 \u00FC.example\r\n#2 xn--tda.example \u00FC.example\r\n#3 xn--tda.example\r\n");
}

}  // namespace
}  // namespace resolvo::fix
