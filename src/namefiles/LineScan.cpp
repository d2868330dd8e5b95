#include "namefiles/LineScan.h"

#include <algorithm>
#include <cstdint>

#include "port/Ascii.h"
#include "port/Failure.h"

namespace resolvo::namefiles {

namespace {

constexpr std::string_view Utf8Mark = "\xEF\xBB\xBF";

// Whether the host (folded) stands at the position, whatever the letter case.
bool HostAt(std::string_view content, std::size_t at, std::string_view host) noexcept {
    if (at + host.size() > content.size()) {
        return false;
    }
    for (std::size_t i = 0; i < host.size(); ++i) {
        if (ToLowerAscii(content[at + i]) != host[i]) {
            return false;
        }
    }
    return true;
}

// A line ends at CR LF or at a lone CR; a lone LF is text inside a line. A
// last line without an end counts too. A file over the limit fails before anything is written.
class LineCount {
public:
    LineCount(const std::string& path, std::string_view content)
        : path_(path),
          lines_(!content.empty() && content.back() != '\r' && !content.ends_with("\r\n") ? 1 : 0) {}

    void AddEnds(std::size_t ends) {
        lines_ += ends;
        if (lines_ > static_cast<std::size_t>(MaxLines)) {
            throw Failure("ReadLine", path_, error_code::FileTooLarge);
        }
    }

    void Add(std::string_view bytes) {
        AddEnds(static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\r')));
    }

private:
    const std::string& path_;
    std::size_t lines_;
};

}  // namespace

void CheckLineLimit(const std::string& path, std::string_view content) {
    LineCount(path, content).Add(content);
}

// Where a "#" goes, as offsets into the content: in front of each line that
// holds the host. Windows takes a lone LF for a line end too, though to this
// program it is text inside a line; so each LF-separated part that names the
// host gets its own mark: a site's entry after an LF is commented out, and a
// localhost entry before it is left alone. A host with an LF in it can only
// be found across parts: then the line as a whole is marked. A UTF-8 mark
// stays the file's first bytes, ahead of any "#".
//
// Every byte of both files is looked at in each repair. To keep that close
// to the cost of a plain copy, the bytes are taken in blocks of a fixed size,
// which the compiler handles many bytes at a time: the line ends in a block
// are counted, and only a block where the host's first two characters stand
// is searched further.
std::vector<std::size_t> MarksFor(const std::string& path, std::string_view content,
                                  const std::string& host) {
    LineCount lines(path, content);
    std::vector<std::size_t> marks;
    // An empty host names nothing, and no line holds a line end.
    if (host.empty() || host.find('\r') != std::string::npos) {
        lines.Add(content);
        return marks;
    }
    std::string folded(host);
    std::transform(folded.begin(), folded.end(), folded.begin(), ToLowerAscii);
    const std::string_view partEnds = host.find('\n') == std::string::npos ? "\r\n" : "\r";
    const std::size_t first = content.starts_with(Utf8Mark) ? Utf8Mark.size() : 0;
    std::size_t next = first;  // where the next match may start
    const auto consider = [&](std::size_t at) {
        // The LF of a CR LF ends a line; it is in none.
        if (at < next || !HostAt(content, at, folded) ||
            (content[at] == '\n' && at > 0 && content[at - 1] == '\r')) {
            return;
        }
        const std::size_t before = content.find_last_of(partEnds, at);
        const bool crlf = before != std::string_view::npos && content.substr(before, 2) == "\r\n";
        marks.push_back(before == std::string_view::npos ? first : before + (crlf ? 2 : 1));
        next = std::min(content.find_first_of(partEnds, at), content.size());
    };

    // A candidate is where the first two characters stand with bit 0x20 set, as
    // it is in lower case: a few false ones (a CR for "-") are ruled out below.
    using Byte = std::uint8_t;
    const auto head = static_cast<Byte>(folded[0] | 0x20);
    const auto second = static_cast<Byte>((folded.size() > 1 ? folded[1] : folded[0]) | 0x20);
    const Byte single = folded.size() == 1 ? 1 : 0;
    const auto* bytes = reinterpret_cast<const Byte*>(content.data());
    constexpr std::size_t Block = 128;
    std::size_t at = 0;
    for (; at + Block < content.size(); at += Block) {
        const Byte* block = bytes + at;
        Byte ends = 0;
        Byte candidates = 0;
        for (std::size_t i = 0; i < Block; ++i) {
            ends = static_cast<Byte>(ends + (block[i] == '\r' ? 1 : 0));
            candidates |= static_cast<Byte>(((block[i] | 0x20) == head ? 1 : 0) &
                                            (((block[i + 1] | 0x20) == second ? 1 : 0) | single));
        }
        lines.AddEnds(ends);
        for (std::size_t i = at; candidates != 0 && i < at + Block; ++i) {
            if ((bytes[i] | 0x20) == head && (single != 0 || (bytes[i + 1] | 0x20) == second)) {
                consider(i);
            }
        }
    }
    lines.Add(content.substr(at));
    for (; at < content.size(); ++at) {
        consider(at);
    }
    return marks;
}


}  // namespace resolvo::namefiles
