#include "namefiles/NameFileRepair.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <tuple>

#include "port/FilesContract.h"
#include "support/RecordingPlatform.h"
#include "support/TempDir.h"

namespace resolvo::namefiles {
namespace {

using testing::Op;
using namespace std::string_literals;

constexpr std::uint32_t ReadOnly = ReadOnlyAttribute;
constexpr std::uint32_t HiddenSystem = HiddenAttribute | SystemAttribute;

// A system directory inside a fresh temporary folder.
struct EtcScene {
    EtcScene() { platform.systemDirectory = dir.PathOf("sys"); }

    std::string Path(const std::string& name) const { return dir.PathOf("sys/drivers/etc/" + name); }
    std::filesystem::path Disk(const std::string& name) const {
        return dir.Path() / ("sys/drivers/etc/" + name);
    }
    void Put(const std::string& name, const std::string& bytes, std::uint32_t bits = 0) {
        dir.Write("sys/drivers/etc/" + name, bytes);
        if (bits != 0) {
            platform.GiveAttributes(Path(name), bits);
        }
    }
    std::string Get(const std::string& name) const { return dir.Read("sys/drivers/etc/" + name); }
    std::optional<std::string> Find(const std::string& name) const {
        return dir.Exists("sys/drivers/etc/" + name) ? std::optional(Get(name)) : std::nullopt;
    }
    std::uint32_t Bits(const std::string& name) { return platform.GetAttributes(Path(name)); }
    std::vector<std::string> TemporaryFiles() {
        std::vector<std::string> names = platform.FileNames(Path(""));
        std::erase_if(names, [](const std::string& name) { return !name.ends_with(".tmp"); });
        std::ranges::sort(names);
        return names;
    }
    // The failure's code, told of a name file or its backup, never of a
    // temporary file; 0 without one.
    std::uint32_t Repair(const std::string& host) {
        try {
            repair.RepairNameFiles(host);
            return 0;
        } catch (const Failure& failure) {
            const std::string name = failure.Subject().substr(Path("").size());
            EXPECT_TRUE(name == "hosts" || name == "lmhosts" || name == "hosts.rv2" || name == "lmhosts.rv2")
                << failure.Subject();
            return failure.Code();
        }
    }

    testing::TempDir dir;
    testing::RecordingPlatform platform;
    NameFileRepair repair{platform, "7"};
};

// Only "#" marks are added: line ends of every kind, a missing last line end
// and every other byte stay; the backups are the files' bytes as they were. A
// file no line of which names the host is not written; one too long or in
// UTF-16 is refused, left byte for byte and not backed up.
TEST(NameFiles, CommentsOutEveryEntryNamingTheHostInEitherLetterCase) {
    const std::string bom = "\xEF\xBB\xBF";
    std::string lines;  // two short of the most a file may have
    for (int i = 2; i < NameFileRepair::MaxLines; ++i) {
        lines += "10.0.0.1 host.lan\r\n";
    }
    struct Row {
        std::string before, host, after;
        std::uint32_t code = 0;  // the file is refused, and stays as it was
    };
    const std::vector<Row> cases{
        {"1 mail.Example.COM\r\n# example.com\r\n", "example.com", "#1 mail.Example.COM\r\n# example.com\r\n"},
        {"1 www.exampleZ.com\r\n1 amplez.co\r\n", "EXAMPLEz.com", "#1 www.exampleZ.com\r\n1 amplez.co\r\n"},
        {"1.1.1.1 a.lan\r\n2.2.2.2 example.com", "example.com", "1.1.1.1 a.lan\r\n#2.2.2.2 example.com"},
        {"1.1.1.1 a.lan\r\n\r\n2.2.2.2 b.lan", "example.com", "1.1.1.1 a.lan\r\n\r\n2.2.2.2 b.lan"},
        // Windows ends a line at a lone LF too: each part naming the host is marked.
        {"1 a.example.com\n2 b.lan\n3 c.EXAMPLE.com\n", "example.com", "#1 a.example.com\n2 b.lan\n#3 c.EXAMPLE.com\n"},
        {"1 a.x.com\nb\r\nc\n2 d.x.com\r\n", "x.com", "#1 a.x.com\nb\r\nc\n#2 d.x.com\r\n"},
        // No name holds a line end.
        {"a\r\n b\nAb\r\nx\r\nab\r\n", "\na", "a\r\n b\nAb\r\nx\r\nab\r\n"},
        // A lone CR stays one, so what follows it stays on the line of a reader that ends lines at LF only.
        {"5.6.7.8 other.net\r9.9.9.9 lone-cr.test", "other.net", "#5.6.7.8 other.net\r9.9.9.9 lone-cr.test"},
        {"1 exampexample.COM\r\n1 example.co\r\n1 Example.com\r\n", "example.com",
         "1 exampexample.COM\r\n1 example.co\r\n#1 Example.com\r\n"},
        {"0.0.0.0 zzzExample.COM\r\n", "example.com", "0.0.0.0 zzzExample.COM\r\n"},
        {"1 b.ab\r\n1 xab\r\n1 x.AB\r\n", "ab", "#1 b.ab\r\n1 xab\r\n#1 x.AB\r\n"},
        {"1.1.1.1 a[b.lan\r\n", "a{b", "1.1.1.1 a[b.lan\r\n"},  // only A-Z fold
        {"1.1.1.1 a.lan\r\n", "", "1.1.1.1 a.lan\r\n"},
        {"", "example.com", ""},
        {bom + "1.1.1.1 example.com\r\n", "example.com", bom + "#1.1.1.1 example.com\r\n"},
        {bom + "1.1.1.1 a.lan\n2 example.com", "example.com", bom + "1.1.1.1 a.lan\n#2 example.com"},
        {"1 x.mail.net\r\n" + lines + "1 mail.net\r\n", "mail.net", "#1 x.mail.net\r\n" + lines + "#1 mail.net\r\n"},
        {"1 b\r\n" + lines, "B", "#1 b\r\n" + lines},
        // A last line without an end counts too.
        {lines + "a.lan\r\nb\r\nexample.com", "example.com", "", error_code::FileTooLarge},
        // UTF-16 with a byte-order mark, either way round, and without one: at
        // least every other character has a NUL on one side and few on the other.
        {"\xFF\xFE\x3A\x04\x3B\x04"s, "example.com", "", error_code::UnsupportedType},
        {"\xFE\xFF\x04\x3A\x04\x3B"s, "example.com", "", error_code::UnsupportedType},
        {"\0\x31\0.\0e\0x\0\r\0\n"s, "example.com", "", error_code::UnsupportedType},
        {"a\0b\0cdef"s, "example.com", "", error_code::UnsupportedType},
        {"abcdefg\0h\0i\0"s, "example.com", "", error_code::UnsupportedType},
        {"\0\0a\0b\0c\0d\0e\0f\0g\0"s, "example.com", "", error_code::UnsupportedType},
        {"\0\0a\0b\0c\0"s, "example.com", "\0\0a\0b\0c\0"s},
    };
    for (const auto& [before, host, fixed, code] : cases) {
        SCOPED_TRACE(before.substr(0, 60));
        const std::string& after = code == 0 ? fixed : before;
        EtcScene scene;
        // A read-only file is repaired all the same; 0x800 (compressed) is a bit Windows only reports.
        scene.Put("hosts", before, ReadOnly | 0x800);
        scene.Put("lmhosts", before);
        EXPECT_EQ(scene.Repair(host), code);
        EXPECT_EQ(scene.Get("hosts"), after);
        EXPECT_EQ(scene.Get("lmhosts"), after);
        EXPECT_EQ(scene.Bits("hosts"), ReadOnly);
        const std::optional<std::string> backup = code == 0 ? std::optional(before) : std::nullopt;
        EXPECT_EQ(scene.Find("hosts.rv2"), backup);
        EXPECT_EQ(scene.Find("lmhosts.rv2"), backup);
        // The backups are new files; the name files are replaced only when a line is marked.
        EXPECT_EQ(scene.platform.CallsOf(Op::Replace).size(), before != after ? 2u : 0u);
        EXPECT_TRUE(scene.TemporaryFiles().empty());
    }
}

// Another program holding hosts is waited for, 2.27 s at most over all the
// steps on it, in pauses of 10, 20, 40 ... 1000 ms.
TEST(NameFiles, AFileHeldForAMomentIsWaitedFor) {
    // How long hosts is held; whether its attributes and its replace are busy for good.
    for (const auto& [heldMs, busyForGood, pauses] :
         {std::tuple{0, false, 0u}, {300, false, 5u}, {2270, false, 8u}, {2271, false, 8u}, {0, true, 8u}}) {
        EtcScene scene;
        scene.Put("hosts", "1.2.3.4 example.com\r\n", ReadOnly);
        scene.platform.HoldFile(scene.Path("hosts"), heldMs);
        if (busyForGood) {
            scene.platform.FailOn(Op::SetAttributes, 0, scene.Path("hosts "), error_code::SharingViolation);
            scene.platform.FailOn(Op::Replace, 0, "hosts.7-", error_code::SharingViolation);
        }
        const bool waited = heldMs <= 2270 && !busyForGood;
        EXPECT_EQ(scene.Repair("example.com"), waited ? 0u : error_code::SharingViolation) << heldMs;
        EXPECT_EQ(scene.Get("hosts"), waited ? "#1.2.3.4 example.com\r\n" : "1.2.3.4 example.com\r\n");
        EXPECT_EQ(scene.Bits("hosts"), ReadOnly);
        EXPECT_TRUE(scene.TemporaryFiles().empty());
        EXPECT_EQ(scene.platform.CallsOf(Op::Pause).size(), pauses);
    }
}

// A replace that stops half way never costs the file: the move that is left
// is tried again, or the old file goes back; a killed run's newest copy is
// put in place by the next repair and the others removed, or all are left and
// said so. Clean-up touches only its own names; a leftover it cannot remove
// keeps its bits, and its name is not used again.
TEST(NameFiles, AReplaceThatStopsHalfWayLosesNothing) {
    const std::string old = "1.2.3.4 example.com\r\n";
    const std::string fixed = "#" + old;
    const std::vector<std::string> foreign{"hosts.resolvo.tmp", "hosts.9x-1.resolvo.tmp",
                                           "hosts.rv2.7-1.resolvo.tmp"};
    // ReplaceFile fails once with this code; the new file's move is busy so
    // long; the moves of these files fail for good; whether a run was killed
    // mid-replace; the failure; hosts after, or none: then both copies stay.
    const std::tuple<std::uint32_t, int, std::string, bool, std::uint32_t, std::optional<std::string>>
        cases[]{
            {1176, 0, "", false, 0, fixed},
            {1177, 300, "", false, 0, fixed},
            {1177, 0, "hosts.7-1", false, 1177, old},
            {1177, 0, "hosts.7-", false, 1177, std::nullopt},
            {0, 0, "", true, 0, fixed},
            {0, 0, "hosts.99-", true, error_code::WriteFault, std::nullopt},
        };
    for (const auto& [replaceFails, heldMs, movesFail, killed, code, after] : cases) {
        EtcScene scene;
        scene.Put("hosts", old);
        scene.Put("lmhosts", "");
        scene.Put("hosts.rv2", "");
        scene.Put(foreign[0], "x");
        scene.Put(foreign[1], "x");
        scene.Put(foreign[2], "held", ReadOnly | HiddenSystem);
        scene.platform.HoldFile(scene.Path(foreign[2]), 1 << 30);
        if (killed) {
            std::filesystem::remove(scene.Disk("hosts"));
            scene.Put("hosts.99-2.resolvo.tmp", old, ReadOnly | HiddenSystem);
            std::filesystem::last_write_time(
                scene.Disk("hosts.99-2.resolvo.tmp"),
                std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
            scene.Put("hosts.99-1.resolvo.tmp", fixed);
        }
        scene.platform.FailOn(Op::Replace, 1, replaceFails != 0 ? "hosts.7-" : "none", replaceFails);
        scene.platform.HoldFile(scene.Path("hosts.7-1.resolvo.tmp"), heldMs);
        scene.platform.FailOn(Op::Rename, 0, movesFail.empty() ? "none" : movesFail, error_code::WriteFault);
        EXPECT_EQ(scene.Repair(killed ? "other.lan" : "example.com"), code);
        EXPECT_EQ(scene.Find("hosts"), after);
        std::vector<std::string> left = foreign;
        if (!after) {
            left.insert(left.end(), {movesFail + "1.resolvo.tmp", movesFail + "2.resolvo.tmp"});
        }
        std::ranges::sort(left);
        EXPECT_EQ(scene.TemporaryFiles(), left);
        EXPECT_EQ(scene.Bits(foreign[2]), ReadOnly | HiddenSystem);
    }
}

// Each call of each operation that can fail is made to fail in turn. Files
// are then either as they were or wholly replaced, the attributes are back
// unless putting them back was the call that failed, the backups count as
// made only when both are, and no temporary file is left.
TEST(NameFiles, NoFileIsLostAndEveryBitComesBackWhicheverCallFails) {
    const std::string hosts = "1.2.3.4 example.com\r\n5.6.7.8 b.lan\r\n";
    const std::string lmhosts = "10.0.0.1 a.lan\r\n10.0.0.2 Example.com #PRE\r\n";
    const std::uint32_t hostsBits = ReadOnly | HiddenSystem;
    const std::uint32_t lmhostsBits = ReadOnly | ArchiveAttribute;
    const auto arrange = [&](EtcScene& scene) {
        scene.Put("hosts", hosts, hostsBits);
        scene.Put("lmhosts", lmhosts, lmhostsBits);
        scene.Put("hosts.rv2", "older\r\n", hostsBits);
    };
    EtcScene clean;
    arrange(clean);
    clean.repair.RepairNameFiles("example.com");

    // Each operation with the number of its calls in a repair without faults,
    // so that a call that stops happening cannot shrink the sweep unseen.
    const std::pair<Op, std::size_t> sweep[]{
        {Op::OpenForReading, 4}, {Op::GetAttributes, 7}, {Op::SetAttributes, 8}, {Op::CreateNew, 4},
        {Op::Write, 8},          {Op::CloseWriter, 4},   {Op::Replace, 3},       {Op::Rename, 1}};
    for (const auto& [op, count] : sweep) {
        ASSERT_EQ(op == Op::Write ? static_cast<std::size_t>(clean.platform.writes)
                                  : clean.platform.CallsOf(op).size(),
                  count)
            << OpName(op);
        for (std::size_t nth = 1; nth <= count; ++nth) {
            SCOPED_TRACE(std::string(OpName(op)) + " #" + std::to_string(nth));
            EtcScene scene;
            arrange(scene);
            scene.platform.FailOn(op, static_cast<int>(nth), {}, error_code::WriteFault);
            const bool failed = scene.Repair("example.com") != 0;
            // Putting a file's bits back is the one call whose failure is not raised.
            const std::string call = op == Op::SetAttributes ? scene.platform.CallsOf(op).at(nth - 1) : "";
            const bool hostsBitsLost = call == scene.Path("hosts ") + std::to_string(hostsBits);
            const bool lmhostsBitsLost = call == scene.Path("lmhosts ") + std::to_string(lmhostsBits);
            EXPECT_EQ(failed, !hostsBitsLost && !lmhostsBitsLost);
            EXPECT_TRUE(scene.Get("hosts") == hosts || scene.Get("hosts") == clean.Get("hosts"));
            EXPECT_TRUE(scene.Get("lmhosts") == lmhosts || scene.Get("lmhosts") == clean.Get("lmhosts"));
            const bool hostsBackedUp = scene.Get("hosts.rv2") == hosts;
            const bool lmhostsBackedUp = scene.Find("lmhosts.rv2") == lmhosts;
            EXPECT_TRUE(hostsBackedUp || scene.Get("hosts.rv2") == "older\r\n");
            EXPECT_TRUE(lmhostsBackedUp || !scene.Find("lmhosts.rv2"));
            EXPECT_EQ(scene.repair.ModuleState().NameFilesBackedUp, hostsBackedUp && lmhostsBackedUp);
            EXPECT_EQ(scene.Bits("hosts"), hostsBitsLost ? hostsBits & ~ReadOnly : hostsBits);
            EXPECT_EQ(scene.Bits("lmhosts"), lmhostsBitsLost ? lmhostsBits & ~ReadOnly : lmhostsBits);
            EXPECT_EQ(scene.Bits("hosts.rv2"), hostsBits);
            EXPECT_TRUE(scene.TemporaryFiles().empty());
        }
    }

    // Later repairs of the run back up nothing, a hosts deleted meanwhile comes
    // back empty with the bits saved first, and a file grown too long is refused.
    std::filesystem::remove(clean.Disk("hosts"));
    clean.repair.RepairNameFiles("a.lan");
    EXPECT_EQ(clean.Find("hosts"), ""s);
    EXPECT_EQ(clean.Bits("hosts"), hostsBits);
    EXPECT_EQ(clean.Get("lmhosts.rv2"), lmhosts);
    const std::string tooLong = std::string(NameFileRepair::MaxLines, '\r') + "a.lan";
    clean.Put("lmhosts", tooLong);
    EXPECT_EQ(clean.Repair("a.lan"), error_code::FileTooLarge);
    EXPECT_EQ(clean.Get("lmhosts"), tooLong);
    // A run that finds the files missing backs up neither and makes them plain.
    std::filesystem::remove(clean.Disk("hosts"));
    std::filesystem::remove(clean.Disk("lmhosts"));
    NameFileRepair(clean.platform, "8").RepairNameFiles("other.lan");
    EXPECT_EQ(clean.Get("hosts.rv2") + clean.Get("lmhosts.rv2"), hosts + lmhosts);
    EXPECT_EQ(clean.Bits("hosts") | clean.Bits("lmhosts"), 0x80u);  // FILE_ATTRIBUTE_NORMAL
}

}  // namespace
}  // namespace resolvo::namefiles

namespace resolvo::testing {
INSTANTIATE_TYPED_TEST_SUITE_P(Recording, FilesContract, ::testing::Types<RecordingPlatform>);
}  // namespace resolvo::testing
