// A hosts file can hold anything: any bytes, any mix of line ends, lines
// without end. Whatever it holds, commenting out a host must keep every line's
// bytes and only put "#" in front of the lines that name the host; a file too
// long to handle must be left exactly as it was.
//
// The input is one control byte, then the host, then the file's bytes. The
// control byte's low six bits give the host's length; 0x40 marks the file
// hidden and system; 0x80 puts enough lines in front of the file's bytes that
// a few more take it over the line limit.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "namefiles/NameFileRepair.h"
#include "namefiles/SafeRewrite.h"
#include "port/Failure.h"
#include "support/RecordingPlatform.h"
#include "support/TempDir.h"

namespace {

using resolvo::namefiles::NameFileRepair;
using resolvo::testing::Op;
using resolvo::testing::RecordingPlatform;
using resolvo::testing::TempDir;

constexpr unsigned HostLengthBits = 0x3F;
constexpr unsigned HiddenSystemFlag = 0x40;
constexpr unsigned NearLimitFlag = 0x80;
constexpr std::string_view FillerLine = "#\r\n";
constexpr std::size_t FillerLines = static_cast<std::size_t>(NameFileRepair::MaxLines) - 4;

std::string Printable(std::string_view text, std::size_t limit = 200) {
    std::string shown;
    for (std::size_t i = 0; i < text.size() && i < limit; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
            shown += text[i];
        } else {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02X", byte);
            shown += escape;
        }
    }
    if (text.size() > limit) {
        shown += "... (" + std::to_string(text.size()) + " bytes)";
    }
    return shown;
}

// One folder for the whole run, with a system directory's etc folder in it.
// The lines that go in front of a file near the limit are always the same,
// so they are made, and their rewrites worked out, once.
struct Scene {
    TempDir dir;
    std::string systemDirectory = dir.Path().string() + "\\sys";
    std::string etcRelative = "sys/drivers/etc/";
    std::string filler;
    std::string commentedFiller;

    Scene() {
        std::filesystem::create_directories(dir.Path() / etcRelative);
        for (std::size_t i = 0; i < FillerLines; ++i) {
            filler += FillerLine;
            commentedFiller += '#';
            commentedFiller += FillerLine;
        }
    }
};

Scene& TheScene() {
    static Scene scene;
    return scene;
}

// Shows where the two contents part, since a near-limit file is too long to print.
[[noreturn]] void Fail(const char* what, std::string_view host, std::string_view before,
                       std::string_view expected = {}, std::string_view actual = {}) {
    std::fprintf(stderr, "\nCommentOutHost: %s\n  host:   \"%s\"\n  before: \"%s\"\n", what,
                 Printable(host).c_str(), Printable(before).c_str());
    if (expected != actual) {
        const auto parted = std::mismatch(expected.begin(), expected.end(), actual.begin(), actual.end());
        const auto at = static_cast<std::size_t>(parted.first - expected.begin());
        const std::size_t from = at < 40 ? 0 : at - 40;
        std::fprintf(stderr, "  first difference at byte %zu of %zu (expected) and %zu (written)\n", at,
                     expected.size(), actual.size());
        std::fprintf(stderr, "  expected from byte %zu: \"%s\"\n  written from byte %zu:  \"%s\"\n", from,
                     Printable(expected.substr(from), 120).c_str(), from,
                     Printable(actual.substr(from), 120).c_str());
    }
    // The abort skips the folder's own clean-up, and the saved input is
    // enough to make it again.
    std::error_code ignored;
    std::filesystem::remove_all(TheScene().dir.Path(), ignored);
    std::abort();
}

// The lines as the program reads them, taken apart here on our own: CR LF or
// a lone CR ends a line, a lone LF is text, and a final line end is not
// followed by an empty line.
std::vector<std::string_view> SplitLines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r') {
            continue;
        }
        lines.push_back(bytes.substr(start, i - start));
        if (i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            ++i;
        }
        start = i + 1;
    }
    if (start < bytes.size()) {
        lines.push_back(bytes.substr(start));
    }
    return lines;
}

char Folded(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

// Tries every position in turn: slow, and plainly right.
bool Names(std::string_view line, std::string_view host) {
    if (host.empty()) {
        return false;
    }
    for (std::size_t start = 0; start + host.size() <= line.size(); ++start) {
        std::size_t i = 0;
        while (i < host.size() && Folded(line[start + i]) == Folded(host[i])) {
            ++i;
        }
        if (i == host.size()) {
            return true;
        }
    }
    return false;
}

// A line that names the host gets a "#" at its start, or, where it holds
// lone LFs (line ends to Windows), at the start of each LF-separated part
// that names the host; an LF in the host itself marks the whole line.
std::string Rewritten(const std::vector<std::string_view>& lines, std::string_view host) {
    const bool byParts = host.find('\n') == std::string_view::npos;
    std::string text;
    for (const std::string_view line : lines) {
        if (!Names(line, host) || !byParts || line.find('\n') == std::string_view::npos) {
            text += Names(line, host) ? "#" : "";
            text += line;
        } else {
            std::size_t start = 0;
            for (std::size_t i = 0; i <= line.size(); ++i) {
                if (i == line.size() || line[i] == '\n') {
                    const std::string_view part = line.substr(start, i - start);
                    text += Names(part, host) ? "#" : "";
                    text += part;
                    text += i < line.size() ? "\n" : "";
                    start = i + 1;
                }
            }
        }
        text += "\r\n";
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    Scene& scene = TheScene();
    const unsigned control = data[0];
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string host(rest.substr(0, control & HostLengthBits));
    const std::string_view added = rest.substr(host.size());
    const bool nearLimit = (control & NearLimitFlag) != 0;
    std::string before = nearLimit ? scene.filler : std::string();
    before += added;

    scene.dir.Write(scene.etcRelative + "hosts", before);
    RecordingPlatform platform;
    platform.systemDirectory = scene.systemDirectory;
    NameFileRepair handler(platform);
    const std::string path = handler.GetEtcDirectory() + "hosts";
    if ((control & HiddenSystemFlag) != 0) {
        platform.GiveAttributes(path, resolvo::HiddenAttribute | resolvo::SystemAttribute);
    }
    const std::uint32_t attributes = platform.GetAttributes(path);

    bool tooLong = false;
    try {
        handler.CommentOutHost(path, host);
    } catch (const resolvo::Failure& failure) {
        if (failure.Code() != resolvo::error_code::FileTooLarge) {
            Fail(failure.what(), host, before);
        }
        tooLong = true;
    }

    const std::string after = scene.dir.Read(scene.etcRelative + "hosts");
    // The filler ends with a line end, so its lines and the added bytes' lines
    // are the file's lines.
    const std::vector<std::string_view> lines = SplitLines(added);
    const std::size_t lineCount = lines.size() + (nearLimit ? FillerLines : 0);
    if (lineCount > static_cast<std::size_t>(NameFileRepair::MaxLines)) {
        if (!tooLong) {
            Fail("a file over the line limit was not refused", host, before);
        }
        if (after != before) {
            Fail("a file over the line limit was changed", host, before, before, after);
        }
    } else {
        if (tooLong) {
            Fail("a file within the line limit was refused", host, before);
        }
        std::string expected;
        if (nearLimit) {
            const bool named = Names(FillerLine.substr(0, FillerLine.size() - 2), host);
            expected = named ? scene.commentedFiller : scene.filler;
        }
        expected += Rewritten(lines, host);
        if (after != expected) {
            Fail("the rewrite is not the file with matching lines commented out", host, before, expected,
                 after);
        }
    }
    if (before.empty() && !platform.CallsOf(Op::MoveReplacing).empty()) {
        Fail("an empty file was rewritten", host, before);
    }
    if (platform.GetAttributes(path) != attributes) {
        Fail("the file's attributes were not kept", host, before);
    }
    if (scene.dir.Exists(scene.etcRelative + "hosts" +
                         std::string(resolvo::namefiles::SafeRewrite::TemporarySuffix))) {
        Fail("the temporary file was left behind", host, before);
    }
    return 0;
}
