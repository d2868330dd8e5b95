#include "shell/Program.h"

#include <gtest/gtest.h>

#include "support/FakeWindow.h"
#include "support/RecordingPlatform.h"

namespace resolvo {
namespace {

using testing::FakeWindow;
using testing::RecordingPlatform;

TEST(FormAction, DoesNothingUntilConnected) {
    FormAction action;
    FakeWindow window;
    EXPECT_FALSE(action.IsConnected());
    action.Raise(window);  // must simply return
    EXPECT_EQ(window.reads, 0);
}

TEST(FormAction, RunsItsProcedureOncePerRaise) {
    FormAction action;
    FakeWindow window;
    int calls = 0;
    action.Connect([&](MainWindowAccess& w) {
        EXPECT_EQ(&w, &window);
        ++calls;
    });
    action.Raise(window);
    EXPECT_EQ(calls, 1);
    action.Raise(window);
    EXPECT_EQ(calls, 2);
}

TEST(Program, LoadResetsWinsockAndFixItRunsTheFix) {
    RecordingPlatform platform;
    Program program(platform);
    FakeWindow window("http://");

    program.Actions().Load.Raise(window);
    ASSERT_EQ(platform.commands.size(), 5u);
    EXPECT_NE(platform.commands[0].command.find("/e"), std::string::npos);
    EXPECT_EQ(platform.pauses, std::vector<int>{5000});
    EXPECT_EQ(window.reads, 0);

    // The untouched default address is refused, so only the message appears.
    platform.ScriptAnswers({MessageAnswer::Ok});
    program.Actions().FixIt.Raise(window);
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].text, "Invalid web address.");
    EXPECT_EQ(platform.commands.size(), 5u);
}

}  // namespace
}  // namespace resolvo
