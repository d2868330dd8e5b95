// The name files hold whatever other programs and their users wrote, and a fix
// comments out their entries that name the typed host. Whatever the bytes and
// the host, the marks must be exactly those a plain reading of the lines
// gives: one at the start of each part of a line (after CR LF, a lone CR or a
// lone LF, and after a UTF-8 mark) that is not a comment and whose names, as
// hosts or lmhosts gives them, hold the host or a subdomain of it, in any
// letter case, with or without one trailing dot. And the marked file must give
// no marks at all.
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

// In lower case (A-Z only), without one trailing dot.
std::string Folded(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + ('a' - 'A'));
        }
    }
    if (text.ends_with('.')) {
        text.pop_back();
    }
    return text;
}

// The part's blank- and tab-separated fields, before the first "#"; where
// quotes count, a quoted second field (an lmhosts name) keeps its blanks and
// "#" and is the last.
std::vector<std::string> Fields(std::string_view part, bool quotes) {
    std::vector<std::string> fields;
    std::string field;
    bool quoted = false;
    bool inField = false;
    for (const char c : part) {
        if (quoted && c == '"') {
            break;  // the name has ended, and it is the last that counts
        }
        if (quoted) {
            field += c;
            continue;
        }
        if (c == '#') {
            break;
        }
        if (c == ' ' || c == '\t') {
            if (inField) {
                fields.push_back(field);
            }
            field.clear();
            inField = false;
            continue;
        }
        // A quote opens a name only as the second field's first character.
        if (quotes && c == '"' && !inField && fields.size() == 1) {
            quoted = true;
            inField = true;
            continue;
        }
        field += c;
        inField = true;
    }
    if (inField) {
        fields.push_back(field);
    }
    return fields;
}

bool Names(const std::string& name, const std::string& host) {
    const std::string folded = Folded(name);
    return folded == host || (folded.size() > host.size() && folded.ends_with("." + host));
}

// The parts that a plain reading comments out, by where they begin.
std::vector<std::size_t> Expected(std::string_view content, const std::string& typed, NameFile kind) {
    const std::string host = Folded(typed);
    std::vector<std::size_t> marks;
    if (host.empty()) {
        return marks;
    }
    const bool lmhosts = kind == NameFile::Lmhosts;
    std::size_t begin = content.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    while (begin <= content.size()) {
        const std::size_t end = std::min(content.find_first_of("\r\n", begin), content.size());
        const std::vector<std::string> fields = Fields(content.substr(begin, end - begin), lmhosts);
        // The first field is the address; lmhosts has one name after it.
        const std::size_t last = lmhosts ? std::min<std::size_t>(fields.size(), 2) : fields.size();
        bool named = false;
        for (std::size_t i = 1; i < last; ++i) {
            named = named || Names(fields[i], host);
        }
        if (named) {
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
    Check(std::is_sorted(marks.begin(), marks.end()) &&
          std::adjacent_find(marks.begin(), marks.end()) == marks.end());
    Check(marks == Expected(content, host, kind));
    Check(MarksFor("hosts", Marked(content, marks), host, kind).empty());
    return 0;
}
