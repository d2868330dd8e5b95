#include "port/LineReader.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace resolvo {
namespace {

using Lines = std::vector<std::string>;

TEST(LineReader, SplitsAtCrLfAndLoneCrOnlyAndAddsNoEmptyLastLine) {
    const std::string bytes("\0\x01\xff\t\x7f \xc3\xa9", 9);
    const std::vector<std::pair<std::string, Lines>> cases{
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\rb\rc", {"a", "b", "c"}},
        {"a\r\rb", {"a", "", "b"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"a\nb\nc\n", {"a\nb\nc\n"}},
        {"a\n\rb", {"a\n", "b"}},
        {"\n\r\n", {"\n"}},
        {"", {}},
        {"\r\n", {""}},
        {"last", {"last"}},
        {"last\r", {"last"}},
        {"x\r\n\r", {"x", ""}},
        {bytes + "\r\n" + bytes, {bytes, bytes}},
    };
    for (const auto& [content, expected] : cases) {
        LineReader reader(content);
        Lines lines;
        while (!reader.AtEnd()) {
            lines.push_back(reader.ReadLine());
        }
        EXPECT_EQ(lines, expected);
    }
}

}  // namespace
}  // namespace resolvo
