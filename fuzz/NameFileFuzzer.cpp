// A hosts file can hold anything: any bytes, any mix of line ends, far too
// many lines. Whatever it holds, commenting out a host keeps every byte of
// it in order, adding only "#" marks (one a line part at most) and CR LF line
// ends, or refuses a file too long or in UTF-16 and leaves it as it was.
// The input: a control byte (the host's length in its low six bits; 0x80 puts
// nearly the line limit's lines in front), the host, the file's bytes.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "namefiles/NameFileRepair.h"
#include "support/RecordingPlatform.h"
#include "support/TempDir.h"

namespace {

using resolvo::namefiles::NameFileRepair;

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

// The file's bytes with CR LF and lone CR read as line ends, each written
// back as CR LF, and a last line given its end.
std::string WithCrLfEnds(std::string_view bytes) {
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r') {
            text += bytes[i];
            continue;
        }
        text += "\r\n";
        if (i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            ++i;
        }
    }
    if (!bytes.empty() && bytes.back() != '\r' && !bytes.ends_with("\r\n")) {
        text += "\r\n";
    }
    return text;
}

std::string WithoutMarks(std::string_view text) {
    std::string kept;
    std::copy_if(text.begin(), text.end(), std::back_inserter(kept), [](char c) { return c != '#'; });
    return kept;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    static const resolvo::testing::TempDir dir;
    static const std::string filler = [] {
        std::string lines;
        for (int i = 4; i < NameFileRepair::MaxLines; ++i) {
            lines += "#\r\n";
        }
        return lines;
    }();
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string host(rest.substr(0, data[0] & 0x3Fu));
    const std::string before =
        ((data[0] & 0x80u) != 0 ? filler : std::string()) + std::string(rest.substr(host.size()));

    const std::string path = dir.Write("sys/drivers/etc/hosts", before);
    resolvo::testing::RecordingPlatform platform;
    platform.systemDirectory = dir.PathOf("sys");
    bool refused = false;
    try {
        NameFileRepair(platform, "fuzz").CommentOutHost(path, host);
    } catch (const resolvo::Failure&) {
        refused = true;
    }
    const std::string after = dir.Read("sys/drivers/etc/hosts");
    const std::string lines = WithCrLfEnds(before);
    const auto lineEnds = std::count(lines.begin(), lines.end(), '\n');  // at most one mark a part
    if (refused) {
        Check(after == before);
        Check(before.starts_with("\xFF\xFE") || before.starts_with("\xFE\xFF") ||
              std::count(lines.begin(), lines.end(), '\r') > NameFileRepair::MaxLines);
    } else {
        Check(WithoutMarks(after) == WithoutMarks(lines));
        Check(after.size() <= lines.size() + static_cast<std::size_t>(lineEnds));
    }
    Check(platform.FileNames(dir.PathOf("sys/drivers/etc")) == std::vector<std::string>{"hosts"});
    return 0;
}
