#include "namefiles/NameFileRepair.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "support/RecordingPlatform.h"
#include "support/TempDir.h"

namespace resolvo::namefiles {
namespace {

using testing::Op;
using testing::RecordingPlatform;
using testing::TempDir;

constexpr std::uint32_t ReadOnly = ReadOnlyAttribute;
constexpr std::uint32_t HiddenSystem = HiddenAttribute | SystemAttribute;

// A system directory inside a fresh temporary folder, with an empty etc folder.
struct EtcScene {
    EtcScene() {
        platform.systemDirectory = dir.Path().string() + "\\sys";
        std::filesystem::create_directories(dir.Path() / "sys/drivers/etc");
    }

    std::string WinPath(const std::string& name) const {
        return platform.systemDirectory + "\\drivers\\etc\\" + name;
    }
    void Put(const std::string& name, const std::string& bytes, std::uint32_t bits = 0) {
        dir.Write("sys/drivers/etc/" + name, bytes);
        if (bits != 0) {
            platform.GiveAttributes(WinPath(name), bits);
        }
    }
    std::string Get(const std::string& name) const { return dir.Read("sys/drivers/etc/" + name); }
    bool Has(const std::string& name) const { return dir.Exists("sys/drivers/etc/" + name); }
    std::uint32_t Attributes(const std::string& name) { return platform.GetAttributes(WinPath(name)); }
    bool LeftTemporaryFiles() const {
        return std::ranges::any_of(std::filesystem::directory_iterator(dir.Path() / "sys/drivers/etc"),
                                   [](const auto& entry) { return entry.path().extension() == ".tmp"; });
    }
    long MovesOnto(const std::string& name) const {
        return std::ranges::count_if(platform.CallsOf(Op::MoveReplacing), [&](const std::string& call) {
            return call.ends_with("-> " + WinPath(name));
        });
    }

    TempDir dir;
    RecordingPlatform platform;
    NameFileRepair handler{platform};
};

class NameFiles : public ::testing::Test, protected EtcScene {};

std::string Lines(int count, const std::string& last) {
    std::string text;
    for (int i = 1; i < count; ++i) {
        text += "10.0.0." + std::to_string(i % 250) + " host" + std::to_string(i) + ".lan\r\n";
    }
    return text + last + "\r\n";
}

TEST_F(NameFiles, CommentsOutEveryLineHoldingTheHostInEitherLetterCase) {
    struct Case {
        const char* what;
        std::string before, host, after;
    };
    const Case cases[] = {
        {"the three-line example",
         "127.0.0.1 localhost\r\n1.2.3.4 mail.Example.COM\r\n# 5.6.7.8 example.com\r\n", "example.com",
         "127.0.0.1 localhost\r\n#1.2.3.4 mail.Example.COM\r\n## 5.6.7.8 example.com\r\n"},
        {"a substring", "1.2.3.4 www.example.com\r\n1.2.3.5 ample.co\r\n", "AMPLE.com",
         "#1.2.3.4 www.example.com\r\n1.2.3.5 ample.co\r\n"},
        {"a last line without its end", "1.1.1.1 a.lan\r\n2.2.2.2 example.com", "example.com",
         "1.1.1.1 a.lan\r\n#2.2.2.2 example.com\r\n"},
        {"no match", "1.1.1.1 a.lan\r\n\r\n2.2.2.2 b.lan\r\n", "example.com",
         "1.1.1.1 a.lan\r\n\r\n2.2.2.2 b.lan\r\n"},
        {"a lone LF stays, and ends an entry for the mark", "1.1.1.1 localhost\n2.2.2.2 example.com\n",
         "example.com", "1.1.1.1 localhost\n#2.2.2.2 example.com\n\r\n"},
        {"each LF part naming the host is marked", "a.example.com\nb.lan\nc.EXAMPLE.com", "example.com",
         "#a.example.com\nb.lan\n#c.EXAMPLE.com\r\n"},
        {"lone CR ends a line", "1.1.1.1 example.com\r2.2.2.2 b.lan\r", "example.com",
         "#1.1.1.1 example.com\r\n2.2.2.2 b.lan\r\n"},
        {"near misses and whole lines", "exampexample.COM\r\nexample.co\r\nExample.com\r\nx\r\n",
         "example.com", "#exampexample.COM\r\nexample.co\r\n#Example.com\r\nx\r\n"},
        {"a match just past a skip", "0.0.0.0 zzzExample.COM\r\n", "example.com",
         "#0.0.0.0 zzzExample.COM\r\n"},
        {"only A-Z fold", "1.1.1.1 a[b.lan\r\n", "a{b", "1.1.1.1 a[b.lan\r\n"},
        {"an empty host", "1.1.1.1 a.lan\r\n", "", "1.1.1.1 a.lan\r\n"},
        {"an empty file", "", "example.com", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Put("hosts", c.before);
        Put("lmhosts", c.before);
        handler.RepairNameFiles(c.host);
        EXPECT_EQ(Get("hosts"), c.after);
        EXPECT_EQ(Get("lmhosts"), c.after);
    }
    EXPECT_EQ(handler.ModuleState().EtcDirectory, platform.systemDirectory + "\\drivers\\etc\\");
    EXPECT_FALSE(LeftTemporaryFiles());
}

TEST_F(NameFiles, BackupsHoldTheStateBeforeTheFirstRepairOfARun) {
    Put("hosts", "1.2.3.4 example.com\r\n5.6.7.8 other.lan\r\n");
    Put("lmhosts", "10.0.0.1 EXAMPLE.COM #PRE");
    handler.RepairNameFiles("example.com");
    handler.RepairNameFiles("example.com");
    EXPECT_EQ(Get("hosts"), "##1.2.3.4 example.com\r\n5.6.7.8 other.lan\r\n");
    EXPECT_EQ(Get("lmhosts"), "##10.0.0.1 EXAMPLE.COM #PRE\r\n");
    EXPECT_EQ(Get("hosts.rv2"), "1.2.3.4 example.com\r\n5.6.7.8 other.lan\r\n");
    EXPECT_EQ(Get("lmhosts.rv2"), "10.0.0.1 EXAMPLE.COM #PRE\r\n");
    EXPECT_EQ(MovesOnto("hosts.rv2") + MovesOnto("lmhosts.rv2"), 2);
    EXPECT_TRUE(handler.ModuleState().NameFilesBackedUp);

    NameFileRepair nextRun(platform);
    nextRun.RepairNameFiles("other.lan");
    EXPECT_EQ(Get("hosts.rv2"), "##1.2.3.4 example.com\r\n5.6.7.8 other.lan\r\n");
}

TEST_F(NameFiles, AMissingFileIsBackedUpAsEmptyAndCreatedEmpty) {
    Put("hosts", "1.2.3.4 example.com\r\n");
    handler.RepairNameFiles("example.com");
    ASSERT_TRUE(Has("lmhosts") && Has("lmhosts.rv2"));
    EXPECT_EQ(Get("lmhosts") + Get("lmhosts.rv2"), "");
    EXPECT_EQ(Get("hosts"), "#1.2.3.4 example.com\r\n");
    EXPECT_TRUE(handler.ModuleState().NameFilesBackedUp);
    // Once there, the empty file needs no rewrite.
    handler.RepairNameFiles("example.com");
    EXPECT_EQ(MovesOnto("lmhosts"), 1);
}

TEST_F(NameFiles, ReadOnlyHiddenAndSystemFilesAreRepairedAndKeepTheirBits) {
    for (const std::uint32_t bits :
         {ReadOnly, HiddenAttribute, SystemAttribute, HiddenSystem, ReadOnly | HiddenSystem}) {
        SCOPED_TRACE(bits);
        NameFileRepair run(platform);
        Put("hosts", "1.2.3.4 example.com\r\n", bits);
        Put("lmhosts", "1.2.3.4 b.lan\r\n", bits);
        run.RepairNameFiles("example.com");
        EXPECT_EQ(Get("hosts"), "#1.2.3.4 example.com\r\n");
        EXPECT_EQ(Get("hosts.rv2"), "1.2.3.4 example.com\r\n");
        EXPECT_EQ(Get("lmhosts.rv2"), "1.2.3.4 b.lan\r\n");
        EXPECT_EQ(Attributes("hosts"), bits);
        EXPECT_EQ(Attributes("lmhosts"), bits);
    }
}

TEST_F(NameFiles, HostsDeletedBetweenRepairsComesBackEmptyWithTheAttributesSavedFirst) {
    Put("hosts", "1.2.3.4 example.com\r\n", ReadOnly | HiddenAttribute);
    handler.RepairNameFiles("example.com");
    std::filesystem::remove(dir.Path() / "sys/drivers/etc/hosts");
    handler.RepairNameFiles("example.com");
    EXPECT_EQ(Get("hosts"), "");
    EXPECT_TRUE(Has("hosts"));
    EXPECT_EQ(Attributes("hosts"), ReadOnly | HiddenAttribute);
}

TEST_F(NameFiles, TenThousandLinesAreRepairedWhole) {
    Put("hosts", Lines(NameFileRepair::MaxLines, "1.2.3.4 example.com"));
    handler.RepairNameFiles("example.com");
    EXPECT_EQ(Get("hosts"), Lines(NameFileRepair::MaxLines, "#1.2.3.4 example.com"));
    EXPECT_EQ(Get("hosts.rv2"), Lines(NameFileRepair::MaxLines, "1.2.3.4 example.com"));
}

TEST_F(NameFiles, OneLineTooManyInHostsChangesNothingButStillRestoresTheAttributes) {
    const std::string tooLong = Lines(NameFileRepair::MaxLines + 1, "1.2.3.4 example.com");
    Put("hosts", tooLong, ReadOnly);
    Put("hosts.rv2", "from an earlier run\r\n");
    Put("lmhosts", "1.2.3.4 example.com\r\n");
    EXPECT_THROW(handler.RepairNameFiles("example.com"), Failure);
    EXPECT_EQ(Get("hosts"), tooLong);
    EXPECT_EQ(Get("hosts.rv2"), "from an earlier run\r\n");
    EXPECT_EQ(Get("lmhosts"), "1.2.3.4 example.com\r\n");
    EXPECT_FALSE(Has("lmhosts.rv2"));
    EXPECT_FALSE(handler.ModuleState().NameFilesBackedUp);
    EXPECT_EQ(Attributes("hosts"), ReadOnly);
    EXPECT_FALSE(LeftTemporaryFiles());
}

TEST_F(NameFiles, OneLineTooManyInLmhostsBacksUpHostsAtEveryRepairAndRewritesNeither) {
    const std::string tooLong = Lines(NameFileRepair::MaxLines + 1, "1.2.3.4 example.com");
    Put("hosts", "1.2.3.4 example.com\r\n");
    Put("lmhosts", tooLong);
    EXPECT_THROW(handler.RepairNameFiles("example.com"), Failure);
    EXPECT_THROW(handler.RepairNameFiles("example.com"), Failure);
    EXPECT_EQ(MovesOnto("hosts.rv2"), 2);
    EXPECT_EQ(Get("hosts"), "1.2.3.4 example.com\r\n");
    EXPECT_EQ(Get("lmhosts"), tooLong);
    EXPECT_FALSE(Has("lmhosts.rv2"));
    EXPECT_FALSE(handler.ModuleState().NameFilesBackedUp);
}

TEST_F(NameFiles, AFailedSystemDirectoryQueryTouchesNothing) {
    Put("hosts", "1.2.3.4 example.com\r\n", ReadOnly);
    platform.systemDirectoryFails = true;
    EXPECT_THROW(handler.RepairNameFiles("example.com"), Failure);
    EXPECT_EQ(platform.journal, std::vector<std::string>{"SystemDirectory "});
    EXPECT_EQ(Get("hosts"), "1.2.3.4 example.com\r\n");
    EXPECT_EQ(handler.ModuleState().EtcDirectory, "");
}

// Each call of each operation that can fail is made to fail in turn. Files
// are then either as they were or wholly replaced, the attributes are back
// unless putting them back was the call that failed, and the backups count
// as made only when both are.
TEST(NameFileFaults, NoFileIsLostAndEveryBitComesBackWhicheverCallFails) {
    const std::string hosts = "1.2.3.4 example.com\r\n5.6.7.8 b.lan\r\n";
    const std::string lmhosts = "10.0.0.1 a.lan\r\n10.0.0.2 Example.com #PRE\r\n";
    const std::uint32_t hostsBits = ReadOnly | HiddenSystem;
    const std::uint32_t lmhostsBits = ReadOnly | ArchiveAttribute;
    const auto arrange = [&](EtcScene& scene) {
        scene.Put("hosts", hosts, hostsBits);
        scene.Put("lmhosts", lmhosts, lmhostsBits);
        scene.Put("hosts.rv2", "older\r\n");
    };
    EtcScene clean;
    arrange(clean);
    clean.handler.RepairNameFiles("example.com");
    ASSERT_EQ(clean.Get("hosts"), "#1.2.3.4 example.com\r\n5.6.7.8 b.lan\r\n");

    for (const Op op : {Op::OpenForReading, Op::GetAttributes, Op::SetAttributes, Op::CreateForWriting,
                        Op::WriteLine, Op::CloseWriter, Op::MoveReplacing}) {
        const int calls = op == Op::WriteLine ? clean.platform.linesWritten
                                              : static_cast<int>(clean.platform.CallsOf(op).size());
        ASSERT_GT(calls, 0) << OpName(op);
        for (int nth = 1; nth <= calls; ++nth) {
            SCOPED_TRACE(std::string(OpName(op)) + " #" + std::to_string(nth));
            EtcScene scene;
            arrange(scene);
            scene.platform.FailOn(op, nth);
            bool failed = false;
            try {
                scene.handler.RepairNameFiles("example.com");
            } catch (const Failure&) {
                failed = true;
            }
            const auto failedCall = [&](const std::string& subject) {
                return op == Op::SetAttributes &&
                       scene.platform.CallsOf(op).at(static_cast<std::size_t>(nth - 1)) == subject;
            };
            const bool hostsRestoreFailed =
                failedCall(scene.WinPath("hosts") + " " + std::to_string(hostsBits));
            const bool lmRestoreFailed =
                failedCall(scene.WinPath("lmhosts") + " " + std::to_string(lmhostsBits));

            EXPECT_EQ(failed, !hostsRestoreFailed && !lmRestoreFailed);
            EXPECT_TRUE(scene.Get("hosts") == hosts || scene.Get("hosts") == clean.Get("hosts"));
            EXPECT_TRUE(scene.Get("lmhosts") == lmhosts || scene.Get("lmhosts") == clean.Get("lmhosts"));
            const bool hostsBackedUp = scene.Get("hosts.rv2") == hosts;
            const bool lmhostsBackedUp = scene.Has("lmhosts.rv2") && scene.Get("lmhosts.rv2") == lmhosts;
            EXPECT_TRUE(hostsBackedUp || scene.Get("hosts.rv2") == "older\r\n");
            EXPECT_TRUE(lmhostsBackedUp || !scene.Has("lmhosts.rv2"));
            EXPECT_EQ(scene.handler.ModuleState().NameFilesBackedUp, hostsBackedUp && lmhostsBackedUp);
            EXPECT_EQ(scene.Attributes("hosts"), hostsRestoreFailed ? hostsBits & ~ReadOnly : hostsBits);
            EXPECT_EQ(scene.Attributes("lmhosts"), lmRestoreFailed ? lmhostsBits & ~ReadOnly : lmhostsBits);
            EXPECT_FALSE(scene.LeftTemporaryFiles());
        }
    }
}

}  // namespace
}  // namespace resolvo::namefiles
