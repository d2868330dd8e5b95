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

// A system directory inside a fresh temporary folder, with an etc folder.
struct EtcScene {
    EtcScene() {
        platform.systemDirectory = dir.PathOf("sys");
        dir.Write("sys/drivers/etc/.keep", "");
        std::filesystem::remove(dir.Path() / "sys/drivers/etc/.keep");
    }

    std::string WinPath(const std::string& name) const { return dir.PathOf("sys/drivers/etc/" + name); }
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
    long PutsOnto(const std::string& name) const {
        return std::ranges::count_if(platform.journal, [&](const std::string& call) {
            return (call.starts_with("Replace ") || call.starts_with("Rename ")) &&
                   call.ends_with("-> " + WinPath(name));
        });
    }
    std::uint32_t Repair(const std::string& host) {
        try {
            repair.RepairNameFiles(host);
            return 0;
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.Subject().find(".tmp"), std::string::npos);
            return failure.Code();
        }
    }

    TempDir dir;
    RecordingPlatform platform;
    NameFileRepair repair{platform, "7"};
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
    const std::string bom = "\xEF\xBB\xBF";
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
        {"each LF part naming the host is marked, twice over", "a.example.com\nb.lan\nc.EXAMPLE.com\n",
         "example.com", "#a.example.com\nb.lan\n#c.EXAMPLE.com\n\r\n"},
        {"lone CR ends a line", "1.1.1.1 example.com\r2.2.2.2 b.lan\r", "example.com",
         "#1.1.1.1 example.com\r\n2.2.2.2 b.lan\r\n"},
        {"near misses", "exampexample.COM\r\nexample.co\r\nExample.com\r\nx\r\n", "example.com",
         "#exampexample.COM\r\nexample.co\r\n#Example.com\r\nx\r\n"},
        {"a match just past a skip", "0.0.0.0 zzzExample.COM\r\n", "example.com",
         "#0.0.0.0 zzzExample.COM\r\n"},
        {"the host's first letter under its end", "bab\r\nxab\r\n", "ab", "#bab\r\n#xab\r\n"},
        {"only A-Z fold", "1.1.1.1 a[b.lan\r\n", "a{b", "1.1.1.1 a[b.lan\r\n"},
        {"an empty host", "1.1.1.1 a.lan\r\n", "", "1.1.1.1 a.lan\r\n"},
        {"an empty file", "", "example.com", ""},
        {"a UTF-8 mark stays first", bom + "1.1.1.1 example.com\r\n", "example.com",
         bom + "#1.1.1.1 example.com\r\n"},
        {"a UTF-8 mark on a line kept as it is", bom + "1.1.1.1 a.lan\nexample.com", "example.com",
         bom + "1.1.1.1 a.lan\n#example.com\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Put("hosts", c.before);
        Put("lmhosts", c.before);
        repair.RepairNameFiles(c.host);
        EXPECT_EQ(Get("hosts"), c.after);
        EXPECT_EQ(Get("lmhosts"), c.after);
    }
    EXPECT_FALSE(LeftTemporaryFiles());
}

TEST_F(NameFiles, BackupsHoldTheStateBeforeTheFirstRepairOfARun) {
    Put("hosts", "1.2.3.4 example.com\r\n5.6.7.8 other.lan\r\n");
    repair.RepairNameFiles("example.com");
    repair.RepairNameFiles("example.com");
    EXPECT_EQ(Get("hosts"), "##1.2.3.4 example.com\r\n5.6.7.8 other.lan\r\n");
    EXPECT_EQ(Get("hosts.rv2"), "1.2.3.4 example.com\r\n5.6.7.8 other.lan\r\n");
    // A missing lmhosts is backed up and left empty, and an empty one needs no rewrite.
    EXPECT_TRUE(Has("lmhosts") && Has("lmhosts.rv2"));
    EXPECT_EQ(Get("lmhosts") + Get("lmhosts.rv2"), "");
    EXPECT_EQ(PutsOnto("hosts.rv2") + PutsOnto("lmhosts.rv2") + PutsOnto("lmhosts"), 3);

    NameFileRepair nextRun(platform, "8");
    nextRun.RepairNameFiles("other.lan");
    EXPECT_EQ(Get("hosts.rv2"), "##1.2.3.4 example.com\r\n5.6.7.8 other.lan\r\n");
}

TEST_F(NameFiles, ProtectedFilesAreRepairedAndKeepTheirBits) {
    for (const std::uint32_t bits : {ReadOnly, HiddenSystem, ReadOnly | HiddenSystem | 0x800u}) {
        SCOPED_TRACE(bits);
        NameFileRepair run(platform, std::to_string(bits));
        Put("hosts", "1.2.3.4 example.com\r\n", bits);
        Put("lmhosts", "1.2.3.4 b.lan\r\n", bits);
        run.RepairNameFiles("example.com");
        EXPECT_EQ(Get("hosts"), "#1.2.3.4 example.com\r\n");
        EXPECT_EQ(Get("hosts.rv2"), "1.2.3.4 example.com\r\n");
        // Bits Windows only reports (compressed, 0x800) are never set.
        EXPECT_EQ(Attributes("hosts"), bits & SettableAttributes);
        EXPECT_EQ(Attributes("lmhosts"), bits & SettableAttributes);
    }
    // Deleted between repairs, hosts comes back empty with the bits saved first.
    Put("hosts", "1.2.3.4 example.com\r\n", ReadOnly | HiddenAttribute);
    repair.RepairNameFiles("example.com");
    std::filesystem::remove(dir.Path() / "sys/drivers/etc/hosts");
    repair.RepairNameFiles("example.com");
    EXPECT_EQ(Get("hosts"), "");
    EXPECT_EQ(Attributes("hosts"), ReadOnly | HiddenAttribute);
}

// Files this run cannot rewrite safely are left exactly as they are, with no
// backup made from them and their bits restored.
TEST_F(NameFiles, FilesItCannotRewriteSafelyAreLeftByteForByte) {
    const std::string tenThousand = Lines(NameFileRepair::MaxLines, "1.2.3.4 example.com");
    Put("hosts", tenThousand);
    EXPECT_EQ(Repair("example.com"), 0u);
    EXPECT_EQ(Get("hosts"), Lines(NameFileRepair::MaxLines, "#1.2.3.4 example.com"));

    struct Case {
        const char* what;
        std::string hosts;
        std::uint32_t code;
    };
    const Case cases[] = {
        {"one line too many", Lines(NameFileRepair::MaxLines + 1, "1.2.3.4 example.com"),
         error_code::FileTooLarge},
        {"UTF-16 little-endian",
         std::string("\xFF\xFE"
                     "1\0.\0"
                     "e\0x\0\r\0\n\0",
                     14),
         error_code::UnsupportedType},
        {"UTF-16 big-endian",
         std::string("\xFE\xFF\0"
                     "e\0x",
                     6),
         error_code::UnsupportedType},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EtcScene scene;
        scene.Put("hosts", c.hosts, ReadOnly);
        scene.Put("hosts.rv2", "from an earlier run\r\n");
        scene.Put("lmhosts", "1.2.3.4 example.com\r\n");
        EXPECT_EQ(scene.Repair("example.com"), c.code);
        EXPECT_EQ(scene.Get("hosts"), c.hosts);
        EXPECT_EQ(scene.Get("hosts.rv2"), "from an earlier run\r\n");
        EXPECT_EQ(scene.Get("lmhosts"), "1.2.3.4 example.com\r\n");
        EXPECT_FALSE(scene.Has("lmhosts.rv2"));
        EXPECT_EQ(scene.Attributes("hosts"), ReadOnly);
        EXPECT_FALSE(scene.LeftTemporaryFiles());
    }
}

// Another program holding hosts is waited for, about two seconds at most,
// with growing pauses; what a killed run left behind is cleared away first.
TEST_F(NameFiles, AFileHeldForAMomentIsWaitedForAndLeftoversAreRemoved) {
    for (const int heldMs : {0, 300, 2000, 2500}) {
        SCOPED_TRACE(heldMs);
        EtcScene scene;
        const std::string hosts = "1.2.3.4 example.com\r\n";
        scene.Put("hosts", hosts, ReadOnly);
        scene.Put("hosts.99-1.resolvo.tmp", "left by a killed run", ReadOnly | HiddenSystem);
        scene.platform.HoldFile(scene.WinPath("hosts"), heldMs);
        const std::uint32_t code = scene.Repair("example.com");
        const bool waited = heldMs <= 2270;
        EXPECT_EQ(code, waited ? 0u : error_code::SharingViolation);
        EXPECT_EQ(scene.Get("hosts"), waited ? "#" + hosts : hosts);
        EXPECT_EQ(scene.Attributes("hosts"), ReadOnly);
        EXPECT_FALSE(scene.Has("hosts.99-1.resolvo.tmp"));
        EXPECT_FALSE(scene.LeftTemporaryFiles());
        EXPECT_GE(scene.platform.elapsedMs, std::min(heldMs, 2270));
        EXPECT_LE(scene.platform.elapsedMs, heldMs == 0 ? 0 : 2270 + 1000);
    }
}

TEST_F(NameFiles, AFailedSystemDirectoryQueryTouchesNothing) {
    Put("hosts", "1.2.3.4 example.com\r\n", ReadOnly);
    platform.systemDirectoryFails = true;
    EXPECT_EQ(Repair("example.com"), error_code::PathNotFound);
    EXPECT_EQ(platform.journal, std::vector<std::string>{"SystemDirectory "});
}

// Each call of each operation that can fail is made to fail in turn. Files
// are then either as they were or wholly replaced, the attributes are back
// unless putting them back was the call that failed, the backups count as
// made only when both are, and no temporary file is left.
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
    clean.repair.RepairNameFiles("example.com");
    ASSERT_EQ(clean.Get("hosts"), "#1.2.3.4 example.com\r\n5.6.7.8 b.lan\r\n");

    for (const Op op : {Op::OpenForReading, Op::GetAttributes, Op::SetAttributes, Op::CreateNew,
                        Op::WriteLine, Op::CloseWriter, Op::Replace, Op::Rename}) {
        const int calls = op == Op::WriteLine ? clean.platform.linesWritten
                                              : static_cast<int>(clean.platform.CallsOf(op).size());
        ASSERT_GT(calls, 0) << OpName(op);
        for (int nth = 1; nth <= calls; ++nth) {
            SCOPED_TRACE(std::string(OpName(op)) + " #" + std::to_string(nth));
            EtcScene scene;
            arrange(scene);
            scene.platform.FailOn(op, nth, {}, error_code::WriteFault);
            const bool failed = scene.Repair("example.com") != 0;
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
            EXPECT_EQ(scene.repair.ModuleState().NameFilesBackedUp, hostsBackedUp && lmhostsBackedUp);
            EXPECT_EQ(scene.Attributes("hosts"), hostsRestoreFailed ? hostsBits & ~ReadOnly : hostsBits);
            EXPECT_EQ(scene.Attributes("lmhosts"), lmRestoreFailed ? lmhostsBits & ~ReadOnly : lmhostsBits);
            EXPECT_FALSE(scene.LeftTemporaryFiles());
        }
    }
}

}  // namespace
}  // namespace resolvo::namefiles
