#include "fix/SiteFixer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "support/FakeWindow.h"
#include "support/RecordingPlatform.h"
#include "support/TempDir.h"

namespace resolvo::fix {
namespace {

using testing::Op;
using testing::RecordingPlatform;
using Seen = std::vector<std::string>;
using namespace std::string_literals;

constexpr MessageAnswer Yes = MessageAnswer::Yes;
constexpr MessageAnswer No = MessageAnswer::No;
constexpr MessageAnswer Ok = MessageAnswer::Ok;

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

Seen Joined(const std::vector<Seen>& parts) {
    Seen all;
    for (const Seen& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// A run of the fix on a system folder of its own, told as what the user gets
// to see, in order: the files put in place, commands, programs opened through
// the shell, message boxes, the pause and the activation.
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

    std::string Flush() const {
        return "hidden, wait 10000: \"" + platform.systemDirectory + R"(\ipconfig.exe" /flushdns)";
    }

    testing::TempDir dir;
    RecordingPlatform platform;
    testing::FakeWindow window;
    namefiles::NameFileRepair nameFiles{platform, platform, "test"};
    SiteFixer fixer{platform, nameFiles};
};

// Nor does an address that a browser would take for something else than a
// web page: a file, another scheme, a host hidden behind user information.
TEST(SiteFixer, RefusesAnAddressWithoutAHostAndTouchesNothing) {
    for (const char* address :
         {"http://", ".com", "file://example.com/share/x.hta", "example.com:80@evil.com"}) {
        FixRun run(address);
        EXPECT_EQ(run({Ok}), Seen{"critical: Invalid web address."}) << address;
        EXPECT_EQ(run.platform.journal.size(), 1u) << address;
        EXPECT_EQ(run.dir.Read("sys/drivers/etc/hosts"), Hosts);
    }
}

// Each step goes on when one before it failed. A browser that could not be
// started is said, with the address to open; without an answer to the
// question neither follow-up is shown.
TEST(SiteFixer, RepairsThenFlushesOpensAsksAndFollowsTheAnswers) {
    const Seen notStarted{
        "critical: Resolvo could not start your web browser. Please open this address in it "
        "yourself:\r\n\r\nhttp://www.example.com/news/today.html"};
    const std::string freeScan = Browser + "\"http://" + std::string(FreeScanHost) + "/freescan.html\"";
    // The calls that fail, the answers, what is told before the question, what follows it.
    const std::vector<std::tuple<std::vector<Op>, std::vector<MessageAnswer>, Seen, Seen>> cases{
        {{}, {Yes, Ok}, {}, {Kept}},
        {{}, {No, No}, {}, {Offer}},
        {{}, {No, Yes}, {}, {Offer, freeScan}},
        {{Op::RunCommand, Op::Pause, Op::ActivateWindow}, {Ok, Yes, Ok}, notStarted, {Kept}},
        {{Op::ShowMessage}, {}, {}, {}},
    };
    for (const auto& [failing, answers, told, after] : cases) {
        FixRun run;
        for (const Op op : failing) {
            run.platform.FailOn(op);
        }
        EXPECT_EQ(run(answers), Joined({Repair, {run.Flush(), OpenTyped}, told, Asked, after}));
        EXPECT_EQ(run.dir.Read("sys/drivers/etc/hosts"),
                  "127.0.0.1 localhost\r\n#10.0.0.7 www.example.com\r\n");
    }
}

// A repair that failed is told once, and the fix goes on. Each kind of
// failure names the file, gives its reason in words and says what to do,
// and no two kinds read alike; without the system directory there is no
// flush either, rather than a search for "ipconfig" by bare name.
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
        {"too long", Op::OpenForReading, "", 0, {"\"hosts\""}},
        {"Unicode", Op::OpenForReading, "\xFF\xFE", 0, {"\"hosts\""}},
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
            run.dir.Write("sys/drivers/etc/hosts",
                          row.subject.empty() ? std::string(10001, '\r') : row.subject + "a\0b\0"s);
        } else if (row.op == Op::Rename) {
            // Windows' replace stops half way, and neither file can be moved back.
            run.platform.FailOn(Op::Replace, 0, "hosts.test", error_code::UnableToMoveReplacement2);
            run.platform.FailOn(Op::Rename, 0, row.subject, row.code);
        } else {
            run.platform.FailOn(row.op, 0, row.subject, row.code);
        }
        const std::string before = run.dir.Read("sys/drivers/etc/hosts");
        const Seen seen = run({Ok, Yes, Ok});
        const auto critical = std::find_if(seen.begin(), seen.end(),
                                           [](const std::string& entry) { return entry.starts_with("critical: "); });
        ASSERT_NE(critical, seen.end());
        EXPECT_EQ(std::count_if(seen.begin(), seen.end(),
                                [](const std::string& entry) { return entry.starts_with("critical: "); }),
                  1);
        const std::string& message = *critical;
        ASSERT_TRUE(message.starts_with("critical: Resolvo could not ")) << message;
        for (const std::string& name : row.names) {
            EXPECT_NE(message.find(name), std::string::npos) << message;
        }
        const std::size_t reason = message.find(": ", 10);
        const std::size_t advice = message.find("\r\n\r\n");
        ASSERT_NE(advice, std::string::npos) << message;
        EXPECT_GT(advice - reason, 20u) << message;  // a reason, in words
        const std::string todo = message.substr(advice);
        EXPECT_TRUE(todo.find("Fix It") != std::string::npos || todo.find("Notepad") != std::string::npos)
            << message;
        // Alike but for the test's own folder is alike.
        std::string text = message;
        const std::size_t folder = text.find(run.platform.systemDirectory);
        if (folder != std::string::npos) {
            text.erase(folder, run.platform.systemDirectory.size());
        }
        EXPECT_TRUE(told.insert(text).second) << message;
        EXPECT_EQ(seen.back(), Kept);
        if (row.op == Op::Rename) {
            EXPECT_FALSE(run.dir.Exists("sys/drivers/etc/hosts"));
            EXPECT_NE(message.find("next Fix It puts the newer one in its place"), std::string::npos) << message;
            EXPECT_EQ(message.find("left unchanged"), std::string::npos) << message;
        } else if (row.names.front() != "\"lmhosts\"") {
            EXPECT_EQ(run.dir.Read("sys/drivers/etc/hosts"), before);
        }
        if (row.op == Op::SystemDirectory) {
            EXPECT_EQ(run.platform.CallsOf(Op::RunCommand), Seen{OpenTyped});
        }
    }
}

// Where Windows reads the name files from another folder than the usual
// one, the files there are repaired, and the run says so once, naming the
// folder: after its first repair, or in its first failure.
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
        const std::vector<std::string> told = run.platform.CallsOf(Op::ShowMessage);
        ASSERT_FALSE(told.empty());
        EXPECT_TRUE(told.front().starts_with(fails ? "critical: " : "ok: ")) << told.front();
        EXPECT_NE(told.front().find(folder + "\\"), std::string::npos) << told.front();
        const std::string& text = told.front();
        EXPECT_TRUE(text.find("usual folder, drivers\\etc") != std::string::npos ||
                    text.find("usual one, drivers\\etc") != std::string::npos)
            << text;
        EXPECT_EQ(run.dir.Read("elsewhere/hosts"),
                  fails ? Hosts : "127.0.0.1 localhost\r\n#10.0.0.7 www.example.com\r\n");
        EXPECT_EQ(run.dir.Read("sys/drivers/etc/hosts"), Hosts);
        // The second fix of the run says nothing of the folder.
        run.platform.journal.clear();
        run({Yes, Ok});
        EXPECT_EQ(run.platform.CallsOf(Op::ShowMessage).size(), 2u);
    }
}

// An elevated program opens the site only as the desktop user: through the
// desktop's shell, or else with its process's token, or not at all. Without
// Internet Explorer the default browser gets the page. The address goes as
// a web address and as one argument whatever was typed.
TEST(SiteFixer, OpensTheBrowserWithoutAdministratorRightsOrNotAtAll) {
    using enum Elevation;
    const std::string ie = Browser + "\"http://x.com\"";
    const std::string asUser = "OpenAsDesktopUser " + BrowserPath + " \"http://x.com\"";
    const std::string withToken = "RunAsShellUser \"" + BrowserPath + "\" \"http://x.com\"";
    const std::string notStarted =
        "ok: Resolvo did not start your web browser, because it would have run with administrator rights. "
        "Please open this address in it yourself:\r\n\r\n";
    // The token; what the machine has: a desktop shell (s), whose process's
    // token can start programs (t), Internet Explorer (i); typed; opened.
    const std::vector<std::tuple<Elevation, std::string, std::string, Seen>> cases{
        {Default, "sti", "x.com", {ie}},
        {Limited, "i", "x.com", {ie}},
        {Full, "sti", "x.com", {asUser}},
        {Full, "ti", "x.com", {asUser, withToken}},
        {Full, "i", "x.com", {asUser, withToken, notStarted + "http://x.com"}},
        {Default, "st", "x.com", {"OpenAddress http://x.com"}},
        {Full, "s", "x.com", {"OpenAsDesktopUser http://x.com "}},
        {Full,
         "t",
         "https://x.com/a b",
         {"OpenAsDesktopUser https://x.com/a%20b ", notStarted + "https://x.com/a%20b"}},
        {Default, "i", R"(x.com/"a b" c)", {Browser + R"("http://x.com/%22a%20b%22%20c")"}},
        {Default, "i", R"(x.com\dir\)", {Browser + R"("http://x.com\dir\\")"}},
    };
    for (const auto& [elevation, machine, address, opened] : cases) {
        FixRun run(address);
        run.platform.elevation = elevation;
        if (machine.find('s') == std::string::npos) {
            run.platform.FailOn(Op::OpenAsDesktopUser, 0, {}, 0x80040154);  // REGDB_E_CLASSNOTREG
        }
        if (machine.find('t') == std::string::npos) {
            run.platform.FailOn(Op::RunAsShellUser);
        }
        if (machine.find('i') == std::string::npos) {
            run.platform.programs.clear();
        }
        const bool told = opened.back().starts_with("ok: ");
        const Seen seen = run(told ? std::vector{Ok, Yes, Ok} : std::vector{Yes, Ok});
        EXPECT_EQ(Seen(std::find(seen.begin(), seen.end(), run.Flush()) + 1, seen.end() - 4), opened)
            << address;
    }
}

// A name typed in Unicode is commented out in its ASCII form too, once.
TEST(SiteFixer, RepairsAnInternationalNameInBothForms) {
    FixRun run("http://b\u00FCcher.example/");
    run.platform.asciiNames["b\u00FCcher.example"] = "xn--bcher-kva.example";
    run.dir.Write("sys/drivers/etc/hosts",
                  "1 b\u00FCcher.example\r\n2 xn--bcher-kva.example b\u00FCcher.example\r\n"
                  "3 xn--bcher-kva.example\r\n");
    run({Yes, Ok});
    EXPECT_EQ(run.dir.Read("sys/drivers/etc/hosts"),
              "#1 b\u00FCcher.example\r\n#2 xn--bcher-kva.example "
              "b\u00FCcher.example\r\n#3 xn--bcher-kva.example\r\n");
}

}  // namespace
}  // namespace resolvo::fix
