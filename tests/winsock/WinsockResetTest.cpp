#include "winsock/WinsockReset.h"

#include <gtest/gtest.h>

#include "support/FakeWindow.h"
#include "support/RecordingPlatform.h"

namespace resolvo::winsock {
namespace {

using testing::CommandRecord;
using testing::FakeWindow;
using testing::Op;
using testing::RecordingPlatform;

constexpr WindowStyle Hidden = WindowStyle::Hidden;

TEST(WinsockReset, StartsTheFiveCommandsInOrderWithTheirWaits) {
    RecordingPlatform platform;
    platform.applicationFolder = "C:\\Tools\\Fix";
    platform.windowsDirectory = "C:\\WINDOWS";
    platform.systemDirectory = "C:\\WINDOWS\\system32";
    FakeWindow window;
    WinsockReset(platform).ResetWinsock(window);

    const std::vector<CommandRecord> expected{
        {R"("C:\WINDOWS\regedit.exe" /e "C:\Tools\Fix\winsockbak.reg" )"
         R"("HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\Winsock")",
         Hidden, true},
        {R"("C:\WINDOWS\regedit.exe" /e "C:\Tools\Fix\winsock2bak.reg" )"
         R"("HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\Winsock2")",
         Hidden, true},
        {R"("C:\WINDOWS\regedit.exe" /s /i "C:\Tools\Fix\winsock.reg")", Hidden, false},
        {R"("C:\WINDOWS\regedit.exe" /s /i "C:\Tools\Fix\winsock2.reg")", Hidden, false},
        {R"("C:\WINDOWS\system32\ipconfig.exe" /renew)", Hidden, false},
    };
    EXPECT_EQ(platform.commands, expected);
}

TEST(WinsockReset, ADriveRootIsNotDoubled) {
    RecordingPlatform platform;
    platform.applicationFolder = "D:\\";
    FakeWindow window;
    WinsockReset(platform).ResetWinsock(window);
    ASSERT_EQ(platform.commands.size(), 5u);
    EXPECT_NE(platform.commands[0].command.find(R"( /e "D:\winsockbak.reg" )"), std::string::npos);
    EXPECT_NE(platform.commands[3].command.find(R"( /s /i "D:\winsock2.reg")"), std::string::npos);
}

TEST(WinsockReset, EveryCommandStartsEvenWhenOthersCannot) {
    RecordingPlatform platform;
    platform.FailOn(Op::RunCommand, 1);
    platform.FailOn(Op::RunCommand, 3);
    FakeWindow window;
    WinsockReset(platform).ResetWinsock(window);
    EXPECT_EQ(platform.commands.size(), 5u);
    EXPECT_EQ(platform.pauses, std::vector<int>{5000});
    EXPECT_EQ(platform.activations.size(), 1u);
}

TEST(WinsockReset, AnUnknownProgramFolderSkipsOnlyTheRegistryRows) {
    RecordingPlatform platform;
    platform.FailOn(Op::ApplicationFolder);
    FakeWindow window;
    WinsockReset(platform).ResetWinsock(window);
    ASSERT_EQ(platform.commands.size(), 1u);
    EXPECT_EQ(platform.commands[0].command, R"("C:\WINDOWS\system32\ipconfig.exe" /renew)");
}

TEST(WinsockReset, NoProgramIsEverStartedByBareName) {
    // Without the system directory the lease renewal is skipped rather than
    // left to a search of the program's folder.
    RecordingPlatform platform;
    platform.systemDirectoryFails = true;
    FakeWindow window;
    WinsockReset(platform).ResetWinsock(window);
    ASSERT_EQ(platform.commands.size(), 4u);
    for (const CommandRecord& command : platform.commands) {
        EXPECT_EQ(command.command.rfind(R"("C:\WINDOWS\regedit.exe" )", 0), 0u) << command.command;
    }
}

TEST(WinsockReset, PausesThenActivatesAndIgnoresAHiddenWindow) {
    RecordingPlatform platform;
    FakeWindow window("", WindowId{7});
    platform.hiddenWindows.insert(WindowId{7});
    WinsockReset(platform).ResetWinsock(window);

    EXPECT_EQ(platform.pauses, std::vector<int>{5000});
    ASSERT_EQ(platform.activations, std::vector<WindowId>{WindowId{7}});
    const auto& journal = platform.journal;
    ASSERT_GE(journal.size(), 2u);
    EXPECT_EQ(journal[journal.size() - 2], "Pause 5000");
    EXPECT_EQ(journal.back(), "ActivateWindow 7");
    EXPECT_EQ(window.reads, 0);
}

}  // namespace
}  // namespace resolvo::winsock
