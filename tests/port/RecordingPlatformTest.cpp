// The unit tests of the repair trust this double to refuse what Windows
// refuses; these cases keep it honest.
#include "support/RecordingPlatform.h"

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace resolvo::testing {
namespace {

class RecordingPlatformFiles : public ::testing::Test {
protected:
    std::string WinPath(const std::string& name) const { return dir.Path().string() + "\\" + name; }

    TempDir dir;
    RecordingPlatform platform;
};

TEST_F(RecordingPlatformFiles, ReadOnlyFilesCannotBeReplacedEmptiedOrDeleted) {
    dir.Write("target", "old");
    dir.Write("new", "new");
    platform.GiveAttributes(WinPath("target"), ReadOnlyAttribute);
    EXPECT_THROW(platform.MoveReplacing(WinPath("new"), WinPath("target")), Failure);
    EXPECT_THROW(platform.CreateForWriting(WinPath("target")), Failure);
    EXPECT_THROW(platform.RemoveFile(WinPath("target")), Failure);
    EXPECT_EQ(dir.Read("target"), "old");
}

TEST_F(RecordingPlatformFiles, HiddenAndSystemFilesCannotBeCreatedAnewButCanBeReplaced) {
    dir.Write("target", "old");
    dir.Write("new", "new");
    platform.GiveAttributes(WinPath("target"), HiddenAttribute | SystemAttribute);
    EXPECT_TRUE(platform.FileExists(WinPath("target")));
    EXPECT_THROW(platform.CreateForWriting(WinPath("target")), Failure);
    platform.MoveReplacing(WinPath("new"), WinPath("target"));
    EXPECT_EQ(dir.Read("target"), "new");
    // The file that took the place keeps its own attributes.
    EXPECT_EQ(platform.GetAttributes(WinPath("target")), ArchiveAttribute);
}

TEST_F(RecordingPlatformFiles, AttributesOfAMissingFileAreAFailure) {
    EXPECT_THROW(platform.GetAttributes(WinPath("missing")), Failure);
    EXPECT_THROW(platform.SetAttributes(WinPath("missing"), 0), Failure);
    EXPECT_FALSE(platform.FileExists(WinPath("missing")));
}

TEST_F(RecordingPlatformFiles, WritesCrLfAndFailsTheNthMatchingCall) {
    platform.FailOn(Op::WriteLine, 2, "out");
    auto writer = platform.CreateForWriting(WinPath("out"));
    writer->WriteLine("one");
    EXPECT_THROW(writer->WriteLine("two"), Failure);
    writer->WriteLine("three");
    writer->Close();
    EXPECT_EQ(dir.Read("out"), "one\r\nthree\r\n");
}

TEST(RecordingPlatform, AnswersFromItsScriptInOrder) {
    RecordingPlatform platform;
    platform.ScriptAnswers({MessageAnswer::No, MessageAnswer::Yes});
    EXPECT_EQ(platform.ShowMessage("a", MessageKind::YesNo), MessageAnswer::No);
    EXPECT_EQ(platform.ShowMessage("b", MessageKind::YesNo), MessageAnswer::Yes);
    EXPECT_EQ(platform.messages.size(), 2u);
}

}  // namespace
}  // namespace resolvo::testing
