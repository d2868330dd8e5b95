#include "port/LineReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace resolvo {
namespace {

std::vector<std::string> AllLines(std::string content) {
    LineReader reader(std::move(content));
    std::vector<std::string> lines;
    while (!reader.AtEnd()) {
        lines.push_back(reader.ReadLine());
    }
    return lines;
}

using Lines = std::vector<std::string>;

TEST(LineReader, SplitsAtCrLfAndAtLoneCr) {
    EXPECT_EQ(AllLines("a\r\nb\r\n"), (Lines{"a", "b"}));
    EXPECT_EQ(AllLines("a\rb\rc"), (Lines{"a", "b", "c"}));
    EXPECT_EQ(AllLines("a\r\rb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(AllLines("a\r\n\r\nb"), (Lines{"a", "", "b"}));
}

TEST(LineReader, LoneLfIsOrdinaryText) {
    EXPECT_EQ(AllLines("a\nb\nc\n"), (Lines{"a\nb\nc\n"}));
    EXPECT_EQ(AllLines("a\n\rb"), (Lines{"a\n", "b"}));
    EXPECT_EQ(AllLines("\n\r\n"), (Lines{"\n"}));
}

TEST(LineReader, NoEmptyLineAfterAFinalLineEnd) {
    EXPECT_EQ(AllLines(""), Lines{});
    EXPECT_EQ(AllLines("\r\n"), (Lines{""}));
    EXPECT_EQ(AllLines("last"), (Lines{"last"}));
    EXPECT_EQ(AllLines("last\r"), (Lines{"last"}));
    // A CR at the very end followed by nothing: the CR LF pair is not split.
    EXPECT_EQ(AllLines("x\r\n\r"), (Lines{"x", ""}));
}

TEST(LineReader, KeepsEveryOtherByte) {
    const std::string bytes("\0\x01\xff\t\x7f \xc3\xa9", 9);
    EXPECT_EQ(AllLines(bytes + "\r\n" + bytes), (Lines{bytes, bytes}));
}

TEST(LineReader, LinesHaveNoLengthLimit) {
    const std::string longLine(3'000'000, 'x');
    EXPECT_EQ(AllLines(longLine + "\r\nshort"), (Lines{longLine, "short"}));
}

TEST(LineReader, ClosedReaderIsAtItsEnd) {
    LineReader reader("a\r\nb");
    reader.ReadLine();
    reader.Close();
    EXPECT_TRUE(reader.AtEnd());
}

}  // namespace
}  // namespace resolvo
