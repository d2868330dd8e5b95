#include "namefiles/LineScan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "port/Failure.h"

namespace resolvo::namefiles {
namespace {

using namespace std::string_literals;

const std::string Bom = "\xEF\xBB\xBF";

// A row's file is its text with every "^" left out; the fix puts a "#" where
// each "^" stands.
struct EntryRow {
    const char* rule;
    NameFile kind;
    std::string host;
    std::string text;
};

// An entry is a part of a line (up to CR LF, a lone CR or a lone LF) that
// does not start with "#"; its first field is the address, its names the
// fields after it up to a "#". It is commented out when a name is the host or
// ends with "." and the host, in any letter case, with or without one
// trailing dot. Nothing else changes, and a second fix finds nothing.
TEST(LineScan, CommentsOutTheEntriesThatNameTheSiteOrASubdomain) {
    using enum NameFile;
    const std::vector<EntryRow> rows{
        {"a subdomain", Hosts, "live.com",
         "^0.0.0.0 login.live.com\r\n^0.0.0.0 a.b.live.com\r\n^0.0.0.0 .live.com\r\n"},
        {"another case, a trailing dot", Hosts, "live.com",
         "^1.2.3.4 LIVE.COM.\r\n^1.2.3.4 Login.Live.Com\r\n1.2.3.4 live.com..\r\n"},
        {"the host's own trailing dot", Hosts, "Live.Com.", "^1.2.3.4 live.com\r\n1.2.3.4 live.co\r\n"},
        {"the host's letters in another name", Hosts, "live.com",
         "0.0.0.0 8live.com\r\n10.0.0.6 notlive.community\r\n10.0.0.1 live.com.evil.test\r\n"
         "0.0.0.0 ad.8live.com\r\n0.0.0.0 live.comx\r\n0.0.0.0 live.com.test give.com\r\n"},
        {"the host's start just before it", Hosts, "example.com",
         "1 exampexample.COM\r\n1 example.co\r\n^1 Example.com\r\n"},
        {"a host of one letter", Hosts, "B", "^1 b\r\n1 xb\r\n"},
        {"a host of two letters", Hosts, "ab", "^1 b.ab\r\n1 xab\r\n^1 x.AB\r\n"},
        {"the host only in a comment", Hosts, "live.com",
         "10.0.0.2 foo.test # mirror of live.com\r\n10.0.0.2 foo.test #live.com\r\n"
         "10.0.0.2 foo.test#live.com\r\n"},
        {"the address is no name", Hosts, "live.com", "live.com\r\nlive.com 1.2.3.4\r\nlive.com#x y\r\n"},
        {"a name before a comment", Hosts, "live.com", "^1.2.3.4 live.com# pinned\r\n"},
        {"a comment line", Hosts, "live.com", "# 10.0.0.3 live.com\r\n  \t#0.0.0.0 live.com\r\n#live.com\r\n"},
        {"tabs between fields", Hosts, "live.com",
         "^0.0.0.0\tlive.com\r\n^\t 0.0.0.0 \t www.live.com\t\r\n0.0.0.0\tother.test\t\r\n"},
        {"a part after a lone LF", Hosts, "live.com",
         "127.0.0.1 localhost\n^0.0.0.0 live.com\r\n^0.0.0.0 live.com\n127.0.0.1 localhost\r"
         "^0.0.0.0 www.live.com\n\n# live.com\n^0.0.0.0 live.com"},
        {"several names on one entry", Hosts, "live.com",
         "^0.0.0.0 a.test b.test www.live.com c.test\r\n0.0.0.0 a.test b.test # www.live.com\r\n"
         "^0.0.0.0 a.test\tlive.com.\r\n"},
        {"a quoted name in hosts", Hosts, "live.com", "10.0.0.5 \"live.com\"\r\n"},
        {"lmhosts: keywords, a quoted name, #INCLUDE", Lmhosts, "live.com",
         "^10.0.0.4 live.com #PRE #DOM:corp\r\n^10.0.0.5 \"WWW.live.com\" #PRE\r\n10.0.0.6 \"8live.com\"\r\n"
         "#INCLUDE \\\\live.com\\share\\lmhosts\r\n#PRE live.com\r\n10.0.0.7 other live.com\r\n"
         "10.0.0.8 \"a#b live.com\"\r\n^10.0.0.9\t \"live.com\r\n^10.0.0.1 live.com#PRE\r\n"
         "10.0.0.3 \"\".live.com\"\r\n"},
        {"a UTF-8 mark stays first", Hosts, "live.com", Bom + "^0.0.0.0 live.com\r\n"},
        {"a UTF-8 mark before a comment", Hosts, "live.com", Bom + "# live.com\n^1 live.com"},
        {"only A-Z fold", Hosts, "a{b.test", "1.1.1.1 a[b.test\r\n"},
        {"an empty host names nothing", Hosts, "", "1.1.1.1 a.lan\r\n"},
        {"a host of a dot names nothing", Hosts, ".", "1.1.1.1 a.lan.\r\n"},
        {"a host with a line end names nothing", Hosts, "\na.lan", "1 y.\na.lan 1\n.\na.lan"},
    };
    for (const EntryRow& row : rows) {
        SCOPED_TRACE(row.rule);
        std::string before;
        std::vector<std::size_t> marks;
        for (const char c : row.text) {
            if (c == '^') {
                marks.push_back(before.size());
            } else {
                before.push_back(c);
            }
        }
        EXPECT_EQ(MarksFor("hosts", before, row.host, row.kind), marks);
        std::string after = row.text;
        std::ranges::replace(after, '^', '#');
        EXPECT_TRUE(MarksFor("hosts", after, row.host, row.kind).empty());
    }
}

// Entries far apart in a long file, each in another block of the scan, and
// an entry that runs across the end of one.
TEST(LineScan, FindsEntriesInEveryBlockOfALongFile) {
    std::string content;
    std::vector<std::size_t> expected;
    for (int i = 0; i < 200; ++i) {
        const std::string entry =
            i % 7 == 0 ? "0.0.0.0 www.Example-Store.com\r\n" : "0.0.0.0 shop.example-store.com.evil # example-store.com\r\n";
        if (i % 7 == 0) {
            expected.push_back(content.size());
        }
        content += entry;
    }
    EXPECT_EQ(MarksFor("hosts", content, "example-store.com", NameFile::Hosts), expected);
}

struct ScanRow {
    const char* rule;
    std::string host;
    std::string content;
    std::string beyond;  // bytes after the content in memory, not part of it
    std::size_t lineEnds;
    std::vector<std::size_t> blocks;  // in units of ScanBlockSize
};

// The first pass keeps exactly the blocks where the host's first three
// characters stand, whatever their case, and counts every CR.
TEST(LineScan, KeepsTheBlocksWhereTheHostMayStand) {
    const std::size_t size = ScanBlockSize;
    const std::string plain(size, 'z');
    const auto put = [](std::string text, std::size_t at, const std::string& what) {
        return text.replace(at, what.size(), what);
    };
    const std::vector<ScanRow> rows{
        {"nowhere", "ab.c", plain + plain + plain, "", 0, {}},
        {"in the middle block", "ab.c", plain + put(plain, 5, "AB.") + plain, "", 0, {1}},
        {"across the end of a block", "ab.c", put(plain, size - 1, "a") + put(plain, 0, "b.\r\r"), "", 2, {0}},
        {"in the last, short block", "ab.c", plain + "zzab.", "", 0, {1}},
        {"the first two characters alone", "ab.c", put(plain, 5, "ab") + plain + "zzab", "", 0, {}},
        {"a host of one character", "a", put(plain, 9, "A") + plain + "a", "", 0, {0, 2}},
        {"a host of two characters", "ab", put(plain, 9, "aB") + put(plain, 5, "ax") + "zab", "", 0, {0, 2}},
        {"line ends in each block", "ab.c", put(plain, 0, "\r") + put(plain, 3, "\r\n\r") + "\r\n", "", 4, {}},
        {"an exact number of blocks", "ab.c", plain + put(plain, size - 3, "ab."), "", 0, {1}},
        {"the next characters beyond the end", "ab.c", put(plain, size - 1, "a") + "b", ".c", 0, {}},
        {"no host", "", put(plain, 0, "ab.\r"), "", 1, {}},
    };
    for (const ScanRow& row : rows) {
        SCOPED_TRACE(row.rule);
        const std::string memory = row.content + row.beyond;
        const BlockScan scan = ScanBlocks(std::string_view(memory).substr(0, row.content.size()), row.host);
        EXPECT_EQ(scan.LineEnds, row.lineEnds);
        std::vector<std::size_t> blocks;
        for (const std::size_t block : scan.CandidateBlocks) {
            EXPECT_EQ(block % size, 0u);
            blocks.push_back(block / size);
        }
        EXPECT_EQ(blocks, row.blocks);
    }
}

struct LimitRow {
    const char* rule;
    std::string content;
    bool refused;
};

// A file of more than MaxLines lines is refused whatever it holds, before
// any mark: a last line without an end counts, an LF ends none.
TEST(LineScan, RefusesAFileOfTooManyLines) {
    const std::string most(static_cast<std::size_t>(MaxLines), '\r');
    const std::vector<LimitRow> rows{
        {"the most lines, CR", most, false},
        {"the most lines, CR LF", most.substr(1) + "1 a.lan\r\n", false},
        {"one more, without an end", most + "1 a.lan", true},
        {"one more, a lone CR", most + "\r", true},
        {"LFs end no line", most.substr(1) + "\n\n1 a.lan\n", false},
    };
    for (const LimitRow& row : rows) {
        SCOPED_TRACE(row.rule);
        for (const std::string& host : {"a.lan"s, ""s}) {
            bool refused = false;
            try {
                MarksFor("C:\\etc\\hosts", row.content, host, NameFile::Hosts);
            } catch (const Failure& failure) {
                refused = failure.Code() == error_code::FileTooLarge && failure.Subject() == "C:\\etc\\hosts";
            }
            EXPECT_EQ(refused, row.refused) << host;
        }
        bool checked = true;
        try {
            CheckLineLimit("hosts", row.content);
        } catch (const Failure&) {
            checked = false;
        }
        EXPECT_EQ(checked, !row.refused);
    }
}

}  // namespace
}  // namespace resolvo::namefiles
