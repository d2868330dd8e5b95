// The name files hold whatever other programs and their users wrote, and a fix
// comments out their entries that name the typed host. Which entries those are,
// LineScanTest pins; here, whatever the bytes and the host, the fast scan of a
// whole file must find what each part of its lines (after CR LF, a lone CR or
// a lone LF, and after a UTF-8 mark) finds when read alone: one mark at most,
// at the part's start, whichever blocks of the scan the part spans. The host's
// letter case and one trailing dot change no mark, and the marked file must
// give no marks at all.
//
// The input's first byte picks the file (bit 0) and the host's length (the
// rest); the host follows, then the file's bytes.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "namefiles/LineScan.h"

namespace {

using resolvo::namefiles::MarksFor;
using resolvo::namefiles::NameFile;

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

// Each part is read with the line end before it, so that a part that begins
// with the bytes of a UTF-8 mark is not taken for the file's start.
std::vector<std::size_t> PartByPart(std::string_view content, const std::string& host, NameFile kind) {
    std::vector<std::size_t> marks;
    const std::size_t first = content.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    for (std::size_t begin = first; begin <= content.size();) {
        const std::size_t end = std::min(content.find_first_of("\r\n", begin), content.size());
        const std::size_t from = begin == first ? 0 : begin - 1;
        const std::vector<std::size_t> part = MarksFor("hosts", content.substr(from, end - from), host, kind);
        Check(part.empty() || part == std::vector<std::size_t>{begin - from});
        if (!part.empty()) {
            marks.push_back(begin);
        }
        begin = end + 1;
    }
    return marks;
}

std::string Marked(std::string_view content, const std::vector<std::size_t>& marks) {
    std::string marked;
    std::size_t written = 0;
    for (const std::size_t mark : marks) {
        marked.append(content.substr(written, mark - written)).append("#");
        written = mark;
    }
    return marked.append(content.substr(written));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const NameFile kind = (data[0] & 1) != 0 ? NameFile::Lmhosts : NameFile::Hosts;
    const std::string host(input.substr(0, data[0] >> 1));
    const std::string_view content = input.substr(host.size());
    // Fewer bytes than the line limit: no file here is refused.
    const std::vector<std::size_t> marks = MarksFor("hosts", content, host, kind);
    Check(marks == PartByPart(content, host, kind));
    std::string otherCase = host;
    for (char& c : otherCase) {
        c = static_cast<char>((c | 0x20) >= 'a' && (c | 0x20) <= 'z' ? c ^ 0x20 : c);
    }
    Check(MarksFor("hosts", content, otherCase, kind) == marks);
    Check(host.ends_with('.') || MarksFor("hosts", content, host + ".", kind) == marks);
    Check(MarksFor("hosts", Marked(content, marks), host, kind).empty());
    return 0;
}
