#include "fix/SiteFixer.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "support/FakeWindow.h"
#include "support/RecordingPlatform.h"

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
const std::string Browser = R"("C:\Program Files\Internet Explorer\iexplore.exe" )";
const std::string Flush = R"(hidden, no wait: "C:\WINDOWS\system32\ipconfig.exe" /flushdns)";
const std::string OpenTyped = "focus, no wait: " + Browser + '"' + Typed + '"';
const std::string Wait = "Pause 5000";
const std::string Activate = "ActivateWindow 42";
const std::string Question = "yes/no: Did the page load successfully?";
const std::string Kept =
    "ok: The correction will remain within the system.\r\n\r\n"
    "You can now reactivate any web acceleration software that you use.";
const std::string Offer =
    "yes/no: Unfortunately Resolvo 2.0 is unable to solve your problem.\r\n\r\n"
    "Would you like to run a free all inclusive scan which may help you solve the problem?";
const std::string OpenFreeScan =
    "focus, no wait: " + Browser + "\"http://" + std::string(FreeScanHost) + "/freescan.html\"";

const char* KindName(MessageKind kind) {
    return kind == MessageKind::Critical ? "critical: " : kind == MessageKind::YesNo ? "yes/no: " : "ok: ";
}

// A run of the fix, told as what the user gets to see in the journal's order:
// commands with window style and wait, message boxes with their kind, pauses
// and activations. The name-file repair's own file calls are left out.
struct FixRun {
    explicit FixRun(std::string address = Typed) : window(std::move(address)) {}

    Seen operator()(const std::vector<MessageAnswer>& answers) {
        for (const MessageAnswer answer : answers) {
            platform.ScriptAnswers({answer});
        }
        namefiles::NameFileRepair nameFiles(platform);
        SiteFixer(platform, nameFiles).RunFix(window);
        Seen seen;
        auto command = platform.commands.begin();
        auto message = platform.messages.begin();
        for (const std::string& entry : platform.journal) {
            if (entry.starts_with("RunCommand ")) {
                const char* how = command->style == WindowStyle::Hidden ? "hidden" : "focus";
                seen.push_back(how + std::string(command->wait ? ", wait: " : ", no wait: ") +
                               command->command);
                ++command;
            } else if (entry.starts_with("ShowMessage ")) {
                seen.push_back(KindName(message->kind) + message->text);
                ++message;
            } else if (entry.starts_with("Pause ") || entry.starts_with("ActivateWindow ")) {
                seen.push_back(entry);
            }
        }
        return seen;
    }

    RecordingPlatform platform;
    FakeWindow window;
};

TEST(SiteFixer, RefusesAnAddressWithoutAHostAndTouchesNothing) {
    for (const char* address : {"http://", "", "   ", "www.."}) {
        FixRun run(address);
        EXPECT_EQ(run({Ok}), Seen{"critical: Invalid web address."}) << address;
        EXPECT_EQ(run.platform.journal.size(), 1u) << address;
        EXPECT_EQ(run.window.reads, 1) << address;
    }
}

TEST(SiteFixer, FollowsTheAnswersToTheEnd) {
    const Seen common{Flush, OpenTyped, Wait, Activate, Question};
    const std::vector<std::pair<std::vector<MessageAnswer>, Seen>> paths{
        {{Yes, Ok}, {Kept}},
        {{No, No}, {Offer}},
        {{No, Yes}, {Offer, OpenFreeScan}},
    };
    for (const auto& [answers, after] : paths) {
        FixRun run;
        Seen expected = common;
        expected.insert(expected.end(), after.begin(), after.end());
        EXPECT_EQ(run(answers), expected);
        EXPECT_EQ(run.window.reads, 2);
    }
}

TEST(SiteFixer, GoesOnWhenAStepFails) {
    const Seen all{Flush, OpenTyped, Wait, Activate, Question, Kept};
    const std::vector<std::pair<std::function<void(RecordingPlatform&)>, Seen>> cases{
        // The repair fails on the name files; then, with no system directory,
        // at its start, and the flush is skipped rather than run by bare name.
        {[](RecordingPlatform& p) {
             p.FailOn(Op::FileExists);
             p.FailOn(Op::OpenForReading);
             p.FailOn(Op::CreateForWriting);
         },
         all},
        {[](RecordingPlatform& p) { p.systemDirectoryFails = true; }, Seen(all.begin() + 1, all.end())},
        {[](RecordingPlatform& p) { p.FailOn(Op::RunCommand, 0, "iexplore"); }, all},
        {[](RecordingPlatform& p) {
             p.FailOn(Op::RunCommand);
             p.FailOn(Op::Pause);
             p.hiddenWindows.insert(WindowId{42});
         },
         all},
        // Without an answer to the question neither follow-up is shown.
        {[](RecordingPlatform& p) { p.FailOn(Op::ShowMessage, 0, "Did the page"); },
         Seen(all.begin(), all.end() - 1)},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        FixRun run;
        cases[i].first(run.platform);
        EXPECT_EQ(run({Yes, Ok}), cases[i].second) << "case " << i;
    }
}

TEST(SiteFixer, OpensTheTypedAddressAsOneArgument) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {R"(example.com/"a b" c)", R"("example.com/%22a b%22 c")"},
        {" example.com/%22 ", R"(" example.com/%22 ")"},
        {R"(example.com\dir\)", R"("example.com\dir\\")"},
        {R"(example.com\)", R"("example.com\\")"},
    };
    for (const auto& [address, argument] : cases) {
        FixRun run(address);
        run({Yes, Ok});
        ASSERT_EQ(run.platform.commands.size(), 2u);
        EXPECT_EQ(run.platform.commands[1].command, Browser + argument);
    }
}

}  // namespace
}  // namespace resolvo::fix
