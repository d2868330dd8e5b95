#include "namefiles/NameFileRepair.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

#include "port/FilesContract.h"
#include "support/RecordingPlatform.h"
#include "support/TempDir.h"

namespace resolvo::namefiles {
namespace {

namespace fs = std::filesystem;
using testing::Op;
using namespace std::string_literals;

constexpr std::uint32_t ReadOnly = ReadOnlyAttribute;
constexpr std::uint32_t HiddenSystem = HiddenAttribute | SystemAttribute;

// A system directory inside a fresh temporary folder.
struct EtcScene {
    EtcScene() { platform.systemDirectory = dir.PathOf("sys"); }

    std::string Path(const std::string& name) const { return dir.PathOf("sys/drivers/etc/" + name); }
    fs::path Disk(const std::string& name) const { return dir.Path() / ("sys/drivers/etc/" + name); }
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
    // The failure's code, told of the folder the files are in; 0 without one.
    std::uint32_t Repair(const std::string& host) {
        try {
            EXPECT_EQ(repair.RepairNameFiles({host}).path + "\\", Path(""));
            return 0;
        } catch (const NameFileFailure& failure) {
            EXPECT_EQ(failure.Folder().path + "\\", Path(""));
            return failure.Code();
        }
    }

    testing::TempDir dir;
    testing::RecordingPlatform platform;
    NameFileRepair repair{platform, platform, "7"};
};

// Only "#" marks are added, every other byte stays; the backups are the files as they were, and a replaced
// file gets its owner back. A file naming no host is not written; one too long or in UTF-16 is refused, left
// as it is and not backed up. LineScanTest pins which entries name the host.
TEST(NameFiles, CommentsOutTheEntriesNamingTheHostAndKeepsEveryOtherByte) {
    const std::string bom = "\xEF\xBB\xBF";
    const std::string lines(NameFileRepair::MaxLines - 2, '\r');  // two short of the most a file may have
    struct Row {
        std::string before, host, after;
        std::uint32_t code = 0;  // the file is refused, and stays as it was
    };
    const std::vector<Row> cases{
        {"1.1.1.1 a.lan\r\n2.2.2.2 example.com", "example.com", "1.1.1.1 a.lan\r\n#2.2.2.2 example.com"},
        {"1 a.x.com\nb\r\nc\n2 d.x.com\r\n", "x.com", "#1 a.x.com\nb\r\nc\n#2 d.x.com\r\n"},
        {"", "example.com", ""},
        {bom + "1.1.1.1 example.com\r\n", "example.com", bom + "#1.1.1.1 example.com\r\n"},
        {"1 x.mail.net\r\n" + lines + "1 mail.net\r\n", "mail.net",
         "#1 x.mail.net\r\n" + lines + "#1 mail.net\r\n"},
        {lines + "a.lan\r\nb\r\nexample.com", "example.com", "", error_code::FileTooLarge},
        // UTF-16 with either byte-order mark or none: NULs on one side of every other unit, few on the other.
        {"\xFF\xFE\x3A\x04\x3B\x04"s, "example.com", "", error_code::UnsupportedType},
        {"\xFE\xFF\x04\x3A\x04\x3B"s, "example.com", "", error_code::UnsupportedType},
        {"\0\x31\0.\0e\0x\0\r\0\n"s, "example.com", "", error_code::UnsupportedType},
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
        const auto written = fs::file_time_type::clock::now() - std::chrono::hours(1);
        fs::last_write_time(scene.Disk("lmhosts"), written);
        EXPECT_EQ(scene.Repair(host), code);
        EXPECT_EQ(scene.Get("hosts"), after);
        EXPECT_EQ(scene.Get("lmhosts"), after);
        EXPECT_EQ(scene.Bits("hosts"), ReadOnly);
        EXPECT_EQ(scene.platform.FileOwner(scene.Path("hosts")), testing::RecordingPlatform::SystemOwner);
        const std::optional<std::string> backup = code == 0 ? std::optional(before) : std::nullopt;
        EXPECT_EQ(scene.Find("hosts.rv2"), backup);
        EXPECT_EQ(scene.Find("lmhosts.rv2"), backup);
        EXPECT_EQ(fs::last_write_time(scene.Disk("lmhosts")) == written, before == after);
        EXPECT_TRUE(scene.TemporaryFiles().empty());
    }
}

// Windows reads the name files from the folder its DataBasePath setting names; the usual folder's are then
// left alone. A 32-bit program on 64-bit Windows reaches a folder of the system directory other than
// drivers\etc through the native alias, as its plain name leads to SysWOW64. A value naming no folder that
// exists, or a relative path, leaves the usual folder as the one repaired.
TEST(NameFiles, RepairsTheFilesInTheFolderWindowsReadsThemFrom) {
    struct Row {
        std::string label;
        // Relative to the test's folder where it starts with "/"; the test's folder is the current one.
        std::optional<std::string> setting;
        bool nativeAlias = false;  // the program runs as 32-bit code on 64-bit Windows
        std::string repaired;      // the folder whose files change on disk
        bool usual = true;
    };
    const std::vector<Row> rows{
        {"no value", std::nullopt, false, "sys/drivers/etc"},
        {"a relative path", "elsewhere", false, "sys/drivers/etc"},
        {"a path relative to a drive's current folder", "C:elsewhere", false, "sys/drivers/etc"},
        {"a folder that does not exist", "/nowhere", false, "sys/drivers/etc"},
        {"a folder on a drive", "C:\\elsewhere", false, "C:/elsewhere", false},
        {"the usual folder, with trailing backslashes", "/sys\\drivers\\etc\\\\", true, "sys/drivers/etc"},
        {"a folder outside the system directory", "/elsewhere", true, "elsewhere", false},
        {"a folder in the system directory, through the alias", "/sys\\drivers\\other", true,
         "native/drivers/other", false},
        {"a folder whose name begins with the system directory's", "/sys2", true, "sys2", false},
    };
    const std::string hosts = "10.0.0.7 www.example.com\r\n";
    const std::vector<std::string> folders{
        "sys/drivers/etc", "elsewhere", "sys/drivers/other", "native/drivers/other", "C:/elsewhere",
        "C:elsewhere",     "sys2"};
    const fs::path home = fs::current_path();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        EtcScene scene;
        fs::current_path(scene.dir.Path());
        for (const std::string& folder : folders) {
            scene.dir.Write(folder + "/hosts", hosts);
        }
        if (row.nativeAlias) {
            scene.platform.nativeSystemDirectory = scene.dir.PathOf("native");
        }
        if (row.setting) {
            const std::string value =
                row.setting->starts_with("/") ? scene.dir.PathOf("") + row.setting->substr(1) : *row.setting;
            scene.platform
                .settings["SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters"]["DataBasePath"] = value;
        }
        const NameFolder folder = scene.repair.RepairNameFiles({"example.com"});
        EXPECT_EQ(folder.usual, row.usual);
        for (const std::string& other : folders) {
            const bool repaired = other == row.repaired;
            EXPECT_EQ(scene.dir.Read(other + "/hosts"), repaired ? "#" + hosts : hosts) << other;
            EXPECT_EQ(scene.dir.Read(other + "/hosts.rv2"), repaired ? hosts : "") << other;
            EXPECT_EQ(scene.dir.Exists(other + "/lmhosts"), repaired) << other;
        }
        fs::current_path(home);
    }
}

// Another program holding hosts is waited for, 2.27 s at most over all the
// steps on it, in pauses of 10, 20, 40 ... 1000 ms.
TEST(NameFiles, AFileHeldForAMomentIsWaitedFor) {
    struct Row {
        int heldMs;        // how long hosts is held
        bool busyForGood;  // its attributes and its replace stay busy
        int waitedMs;
    };
    for (const auto& [heldMs, busyForGood, waitedMs] :
         {Row{0, false, 0}, Row{300, false, 310}, Row{2270, false, 2270}, Row{2271, false, 2270},
          Row{0, true, 2270}}) {
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
        EXPECT_EQ(scene.platform.ElapsedMs(), waitedMs);
    }
}

// A replace that stops half way never costs the file: the move left is tried again, or the old file goes
// back; a killed run's newest copy is put in place by the next repair and the others removed, or all are
// left and said so. Clean-up touches only its own names; a leftover it cannot remove keeps bits and name.
TEST(NameFiles, AReplaceThatStopsHalfWayLosesNothing) {
    const std::string old = "1.2.3.4 example.com\r\n";
    const std::string fixed = "#" + old;
    const std::vector<std::string> foreign{"hosts.resolvo.tmp", "hosts.9x-1.resolvo.tmp",
                                           "hosts.rv2.7-1.resolvo.tmp"};
    struct Row {
        std::string label;
        std::uint32_t replaceFails;  // ReplaceFile fails once with this code (0: never)
        int heldMs;                  // how long the new file's move is busy
        std::string movesFail;       // the moves of the files of this prefix fail for good (empty: none)
        bool killed;                 // a run was killed mid-replace
        std::uint32_t code;          // the failure
        std::optional<std::string> after;  // hosts after, or none: then both copies stay
    };
    const std::vector<Row> rows{
        {"the new file is not moved in; the move is tried again", 1176, 0, "", false, 0, fixed},
        {"stopped half way; the move is tried again", 1177, 300, "", false, 0, fixed},
        {"stopped half way; the old file goes back", 1177, 0, "hosts.7-1", false, 1177, old},
        {"stopped half way; neither can be moved", 1177, 0, "hosts.7-", false, 1177, std::nullopt},
        {"a killed run's newest copy is put in place", 0, 0, "", true, 0, fixed},
        {"a killed run's copies that cannot be moved stay", 0, 0, "hosts.99-", true, error_code::WriteFault,
         std::nullopt},
    };
    for (const auto& [label, replaceFails, heldMs, movesFail, killed, code, after] : rows) {
        SCOPED_TRACE(label);
        EtcScene scene;
        scene.Put("hosts", old);
        scene.Put("lmhosts", "");
        scene.Put("hosts.rv2", "");
        scene.Put(foreign[0], "x");
        scene.Put(foreign[1], "x");
        scene.Put(foreign[2], "held", ReadOnly | HiddenSystem);
        scene.platform.HoldFile(scene.Path(foreign[2]), 1 << 30);
        if (killed) {
            fs::remove(scene.Disk("hosts"));
            scene.Put("hosts.99-2.resolvo.tmp", old, ReadOnly | HiddenSystem);
            fs::last_write_time(scene.Disk("hosts.99-2.resolvo.tmp"),
                                fs::file_time_type::clock::now() - std::chrono::hours(1));
            scene.Put("hosts.99-1.resolvo.tmp", fixed);
        }
        if (replaceFails != 0) {
            scene.platform.FailOn(Op::Replace, 1, "hosts.7-", replaceFails);
        }
        scene.platform.HoldFile(scene.Path("hosts.7-1.resolvo.tmp"), heldMs);
        if (!movesFail.empty()) {
            scene.platform.FailOn(Op::Rename, 0, movesFail, error_code::WriteFault);
        }
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

// Each call of each operation that can fail is made to fail in turn. Files are then as they were or wholly
// replaced, the attributes are back unless putting them back was the call that failed, and no temporary
// file is left.
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
    clean.repair.RepairNameFiles({"example.com"});

    // Every call a repair without faults makes; an operation no longer called fails the test.
    for (const Op op : {Op::OpenForReading, Op::GetAttributes, Op::SetAttributes, Op::CreateNew, Op::Write,
                        Op::CloseWriter, Op::Replace, Op::Rename, Op::FileOwner, Op::SetFileOwner}) {
        const std::size_t count = clean.platform.CallsOf(op).size();
        ASSERT_GT(count, 0u) << OpName(op);
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
            // Nor is a failure to read or set an owner: the file is repaired all the same.
            const bool ownerLost = op == Op::FileOwner || op == Op::SetFileOwner;
            EXPECT_EQ(failed, !hostsBitsLost && !lmhostsBitsLost && !ownerLost);
            EXPECT_TRUE(scene.Get("hosts") == clean.Get("hosts") || (failed && scene.Get("hosts") == hosts));
            EXPECT_TRUE(scene.Get("lmhosts") == clean.Get("lmhosts") ||
                        (failed && scene.Get("lmhosts") == lmhosts));
            const bool hostsBackedUp = scene.Get("hosts.rv2") == hosts;
            const bool lmhostsBackedUp = scene.Find("lmhosts.rv2") == lmhosts;
            EXPECT_TRUE(hostsBackedUp || scene.Get("hosts.rv2") == "older\r\n");
            EXPECT_TRUE(lmhostsBackedUp || !scene.Find("lmhosts.rv2"));
            EXPECT_EQ(scene.Bits("hosts"), hostsBitsLost ? hostsBits & ~ReadOnly : hostsBits);
            EXPECT_EQ(scene.Bits("lmhosts"), lmhostsBitsLost ? lmhostsBits & ~ReadOnly : lmhostsBits);
            EXPECT_EQ(scene.Bits("hosts.rv2"), hostsBits);
            EXPECT_TRUE(scene.TemporaryFiles().empty());
            // The backups count as made only when both are: the next repair makes the missing ones anew.
            scene.Put("lmhosts", "10.0.0.3 c.lan\r\n", lmhostsBits);
            EXPECT_EQ(scene.Repair("other.lan"), 0u);
            EXPECT_EQ(scene.Find("lmhosts.rv2"),
                      hostsBackedUp && lmhostsBackedUp ? lmhosts : "10.0.0.3 c.lan\r\n");
        }
    }
}

// Later repairs of the run back up nothing, and a hosts deleted meanwhile comes back empty with its saved
// bits. A run that finds the files missing backs up neither and makes them plain.
TEST(NameFiles, LaterRepairsKeepTheFirstBackupsAndRecreateMissingFiles) {
    const std::string hosts = "1.2.3.4 example.com\r\n";
    const std::string lmhosts = "10.0.0.2 Example.com #PRE\r\n";
    const std::uint32_t hostsBits = ReadOnly | HiddenSystem;
    EtcScene scene;
    scene.Put("hosts", hosts, hostsBits);
    scene.Put("lmhosts", lmhosts);
    EXPECT_EQ(scene.Repair("example.com"), 0u);
    fs::remove(scene.Disk("hosts"));
    EXPECT_EQ(scene.Repair("a.lan"), 0u);
    EXPECT_EQ(scene.Find("hosts"), ""s);
    EXPECT_EQ(scene.Bits("hosts"), hostsBits);
    EXPECT_EQ(scene.Get("lmhosts.rv2"), lmhosts);
    fs::remove(scene.Disk("hosts"));
    fs::remove(scene.Disk("lmhosts"));
    NameFileRepair(scene.platform, scene.platform, "8").RepairNameFiles({"other.lan"});
    EXPECT_EQ(scene.Get("hosts.rv2") + scene.Get("lmhosts.rv2"), hosts + lmhosts);
    EXPECT_EQ(scene.Bits("hosts") | scene.Bits("lmhosts"), 0x80u);  // FILE_ATTRIBUTE_NORMAL
}

}  // namespace
}  // namespace resolvo::namefiles

namespace resolvo::testing {
INSTANTIATE_TYPED_TEST_SUITE_P(Recording, FilesContract, ::testing::Types<RecordingPlatform>);
}  // namespace resolvo::testing
