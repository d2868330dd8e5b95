#include "namefiles/NameFileRepair.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "support/RecordingPlatform.h"
#include "support/TempDir.h"

namespace resolvo::namefiles {
namespace {

using testing::Op;

constexpr std::uint32_t ReadOnly = ReadOnlyAttribute;
constexpr std::uint32_t HiddenSystem = HiddenAttribute | SystemAttribute;

// A system directory inside a fresh temporary folder.
struct EtcScene {
    EtcScene() { platform.systemDirectory = dir.PathOf("sys"); }

    std::string Path(const std::string& name) const { return dir.PathOf("sys/drivers/etc/" + name); }
    void Put(const std::string& name, const std::string& bytes, std::uint32_t bits = 0) {
        dir.Write("sys/drivers/etc/" + name, bytes);
        if (bits != 0) {
            platform.GiveAttributes(Path(name), bits);
        }
    }
    std::string Get(const std::string& name) const { return dir.Read("sys/drivers/etc/" + name); }
    bool Has(const std::string& name) const { return dir.Exists("sys/drivers/etc/" + name); }
    std::uint32_t Bits(const std::string& name) { return platform.GetAttributes(Path(name)); }
    bool LeftTemporaryFiles() const {
        return std::ranges::any_of(std::filesystem::directory_iterator(dir.Path() / "sys/drivers/etc"),
                                   [](const auto& entry) { return entry.path().extension() == ".tmp"; });
    }
    // The failure's code, told of the name file, never of a temporary one; 0 without one.
    std::uint32_t Repair(const std::string& host) {
        try {
            repair.RepairNameFiles(host);
            return 0;
        } catch (const Failure& failure) {
            EXPECT_TRUE(failure.Subject() == Path("hosts") || failure.Subject() == Path("lmhosts"));
            return failure.Code();
        }
    }

    testing::TempDir dir;
    testing::RecordingPlatform platform;
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
    const std::string bom = "\xEF\xBB\xBF";
    const std::string tenThousand = Lines(NameFileRepair::MaxLines, "1.2.3.4 example.com");
    const std::vector<std::tuple<std::string, std::string, std::string>> cases{
        {"127.0.0.1 localhost\r\n1.2.3.4 mail.Example.COM\r\n# 5.6.7.8 example.com\r\n", "example.com",
         "127.0.0.1 localhost\r\n#1.2.3.4 mail.Example.COM\r\n## 5.6.7.8 example.com\r\n"},
        {"1.2.3.4 www.example.com\r\n1.2.3.5 ample.co\r\n", "AMPLE.com",
         "#1.2.3.4 www.example.com\r\n1.2.3.5 ample.co\r\n"},
        {"1.1.1.1 a.lan\r\n2.2.2.2 example.com", "example.com", "1.1.1.1 a.lan\r\n#2.2.2.2 example.com\r\n"},
        {"1.1.1.1 a.lan\r\n\r\n2.2.2.2 b.lan\r\n", "example.com", "1.1.1.1 a.lan\r\n\r\n2.2.2.2 b.lan\r\n"},
        // Windows ends a line at a lone LF too: each part naming the host is marked.
        {"a.example.com\nb.lan\nc.EXAMPLE.com\n", "example.com",
         "#a.example.com\nb.lan\n#c.EXAMPLE.com\n\r\n"},
        {"a.x.com\nb\r\nc\nd.x.com\r\n", "x.com", "#a.x.com\nb\r\nc\n#d.x.com\r\n"},
        {"1.1.1.1 example.com\r2.2.2.2 b.lan\r", "example.com", "#1.1.1.1 example.com\r\n2.2.2.2 b.lan\r\n"},
        {"exampexample.COM\r\nexample.co\r\nExample.com\r\n", "example.com",
         "#exampexample.COM\r\nexample.co\r\n#Example.com\r\n"},
        {"0.0.0.0 zzzExample.COM\r\n", "example.com", "#0.0.0.0 zzzExample.COM\r\n"},
        {"bab\r\nxab\r\nxAB\r\n", "ab", "#bab\r\n#xab\r\n#xAB\r\n"},
        {"1.1.1.1 a[b.lan\r\n", "a{b", "1.1.1.1 a[b.lan\r\n"},  // only A-Z fold
        {"1.1.1.1 a.lan\r\n", "", "1.1.1.1 a.lan\r\n"},
        {"", "example.com", ""},
        {bom + "1.1.1.1 example.com\r\n", "example.com", bom + "#1.1.1.1 example.com\r\n"},
        {bom + "1.1.1.1 a.lan\nexample.com", "example.com", bom + "1.1.1.1 a.lan\n#example.com\r\n"},
        {tenThousand, "example.com", Lines(NameFileRepair::MaxLines, "#1.2.3.4 example.com")},
    };
    for (const auto& [before, host, after] : cases) {
        Put("hosts", before);
        Put("lmhosts", before);
        repair.RepairNameFiles(host);
        EXPECT_EQ(Get("hosts"), after) << before.substr(0, 60);
        EXPECT_EQ(Get("lmhosts"), after) << before.substr(0, 60);
    }
    EXPECT_FALSE(LeftTemporaryFiles());
}

TEST_F(NameFiles, BackupsHoldTheStateBeforeTheFirstRepairOfARun) {
    Put("hosts", "1.2.3.4 example.com\r\n");
    // A leftover of this run's own name that another program holds: the next name is taken.
    Put("hosts.rv2.7-1.resolvo.tmp", "held");
    platform.HoldFile(Path("hosts.rv2.7-1.resolvo.tmp"), 1 << 30);
    repair.RepairNameFiles("example.com");
    EXPECT_EQ(platform.CallsOf(Op::CreateNew).at(1), Path("hosts.rv2.7-2.resolvo.tmp"));
    repair.RepairNameFiles("example.com");
    EXPECT_EQ(Get("hosts"), "##1.2.3.4 example.com\r\n");
    EXPECT_EQ(Get("hosts.rv2"), "1.2.3.4 example.com\r\n");
    // A missing lmhosts is backed up and left empty; an empty one needs no rewrite.
    EXPECT_EQ(Get("lmhosts") + Get("lmhosts.rv2"), "");
    EXPECT_EQ(std::ranges::count_if(platform.journal,
                                    [&](const std::string& call) {
                                        return call.ends_with("-> " + Path("lmhosts")) ||
                                               call.ends_with("-> " + Path("lmhosts.rv2"));
                                    }),
              2);
    NameFileRepair(platform, "8").RepairNameFiles("other.lan");
    EXPECT_EQ(Get("hosts.rv2"), "##1.2.3.4 example.com\r\n");
}

TEST_F(NameFiles, ProtectedFilesAreRepairedAndKeepTheirBits) {
    // 0x800 (compressed) is one Windows only reports, and never set.
    for (const std::uint32_t bits : {ReadOnly, HiddenSystem, ReadOnly | HiddenSystem | 0x800u}) {
        Put("hosts", "1.2.3.4 example.com\r\n", bits);
        NameFileRepair(platform, std::to_string(bits)).RepairNameFiles("example.com");
        EXPECT_EQ(Get("hosts"), "#1.2.3.4 example.com\r\n");
        EXPECT_EQ(Bits("hosts"), bits & SettableAttributes);
    }
    // Deleted between repairs, hosts comes back empty with the bits saved first.
    repair.RepairNameFiles("example.com");
    std::filesystem::remove(dir.Path() / "sys/drivers/etc/hosts");
    repair.RepairNameFiles("example.com");
    EXPECT_EQ(Get("hosts"), "");
    EXPECT_EQ(Bits("hosts"), ReadOnly | HiddenSystem);
}

// A file it cannot rewrite safely is left byte for byte, with no backup made
// from it and its bits restored.
TEST(NameFileRefusals, AFileTooLongOrInUnicodeIsLeftAsItIs) {
    const std::vector<std::pair<std::string, std::uint32_t>> cases{
        {Lines(NameFileRepair::MaxLines + 1, "1.2.3.4 example.com"), error_code::FileTooLarge},
        {std::string("\xFF\xFE"
                     "1\0.\0"
                     "e\0x\0\r\0\n\0",
                     14),
         error_code::UnsupportedType},
        {std::string("\xFE\xFF\0"
                     "e\0x",
                     6),
         error_code::UnsupportedType},
    };
    for (const auto& [hosts, code] : cases) {
        EtcScene scene;
        scene.Put("hosts", hosts, ReadOnly);
        scene.Put("hosts.rv2", "from an earlier run\r\n");
        scene.Put("lmhosts", "1.2.3.4 example.com\r\n");
        EXPECT_EQ(scene.Repair("example.com"), code);
        EXPECT_EQ(scene.Get("hosts"), hosts);
        EXPECT_EQ(scene.Get("hosts.rv2") + scene.Get("lmhosts"),
                  "from an earlier run\r\n1.2.3.4 example.com\r\n");
        EXPECT_FALSE(scene.Has("lmhosts.rv2"));
        EXPECT_EQ(scene.Bits("hosts"), ReadOnly);
        EXPECT_FALSE(scene.LeftTemporaryFiles());
    }
}

// Another program holding hosts is waited for, 2.27 s at most, in pauses of
// 10, 20, 40 ... 1000 ms; what a killed run left behind is cleared away first.
TEST(NameFileRefusals, AFileHeldForAMomentIsWaitedForAndLeftoversAreRemoved) {
    for (const auto& [heldMs, pauses] : {std::pair{0, 0u}, {300, 5u}, {2270, 8u}, {2271, 8u}}) {
        EtcScene scene;
        scene.Put("hosts", "1.2.3.4 example.com\r\n", ReadOnly);
        scene.Put("hosts.99-1.resolvo.tmp", "left by a killed run", ReadOnly | HiddenSystem);
        scene.platform.HoldFile(scene.Path("hosts"), heldMs);
        const bool waited = heldMs <= 2270;
        EXPECT_EQ(scene.Repair("example.com"), waited ? 0u : error_code::SharingViolation) << heldMs;
        EXPECT_EQ(scene.Get("hosts"), waited ? "#1.2.3.4 example.com\r\n" : "1.2.3.4 example.com\r\n");
        EXPECT_EQ(scene.Bits("hosts"), ReadOnly);
        EXPECT_FALSE(scene.LeftTemporaryFiles());
        EXPECT_EQ(scene.platform.CallsOf(Op::Pause).size(), pauses);
    }
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

    for (const Op op : {Op::OpenForReading, Op::GetAttributes, Op::SetAttributes, Op::CreateNew,
                        Op::WriteLine, Op::CloseWriter, Op::Replace, Op::Rename}) {
        const auto calls = op == Op::WriteLine ? static_cast<std::size_t>(clean.platform.linesWritten)
                                               : clean.platform.CallsOf(op).size();
        for (int nth = 1; nth <= static_cast<int>(calls); ++nth) {
            SCOPED_TRACE(std::string(OpName(op)) + " #" + std::to_string(nth));
            EtcScene scene;
            arrange(scene);
            scene.platform.FailOn(op, nth, {}, error_code::WriteFault);
            const bool failed = scene.Repair("example.com") != 0;
            const auto restoreFailed = [&](const std::string& name, std::uint32_t bits) {
                return op == Op::SetAttributes &&
                       scene.platform.CallsOf(op).at(static_cast<std::size_t>(nth - 1)) ==
                           scene.Path(name) + " " + std::to_string(bits);
            };
            const bool hostsRestoreFailed = restoreFailed("hosts", hostsBits);
            const bool lmRestoreFailed = restoreFailed("lmhosts", lmhostsBits);
            EXPECT_EQ(failed, !hostsRestoreFailed && !lmRestoreFailed);
            EXPECT_TRUE(scene.Get("hosts") == hosts || scene.Get("hosts") == clean.Get("hosts"));
            EXPECT_TRUE(scene.Get("lmhosts") == lmhosts || scene.Get("lmhosts") == clean.Get("lmhosts"));
            const bool hostsBackedUp = scene.Get("hosts.rv2") == hosts;
            const bool lmhostsBackedUp = scene.Get("lmhosts.rv2") == lmhosts;
            EXPECT_TRUE(hostsBackedUp || scene.Get("hosts.rv2") == "older\r\n");
            EXPECT_TRUE(lmhostsBackedUp || !scene.Has("lmhosts.rv2"));
            EXPECT_EQ(scene.repair.ModuleState().NameFilesBackedUp, hostsBackedUp && lmhostsBackedUp);
            EXPECT_EQ(scene.Bits("hosts"), hostsRestoreFailed ? hostsBits & ~ReadOnly : hostsBits);
            EXPECT_EQ(scene.Bits("lmhosts"), lmRestoreFailed ? lmhostsBits & ~ReadOnly : lmhostsBits);
            EXPECT_FALSE(scene.LeftTemporaryFiles());
        }
    }
}

}  // namespace
}  // namespace resolvo::namefiles
