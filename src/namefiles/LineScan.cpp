#include "namefiles/LineScan.h"

#include <algorithm>
#include <cstdint>

#include "port/Ascii.h"
#include "port/Failure.h"

namespace resolvo::namefiles {

namespace {

constexpr std::string_view Utf8Mark = "\xEF\xBB\xBF";
// A line ends at CR LF or at a lone CR; Windows ends one at a lone LF too,
// which to this program is text inside a line that starts a part of it.
constexpr std::string_view PartEnds = "\r\n";
// How many of the host's first characters the scan compares.
constexpr std::size_t ScanPrefix = 3;

// A last line without an end counts too.
std::size_t LinesOf(std::string_view content, std::size_t lineEnds) noexcept {
    const bool unended = !content.empty() && content.back() != '\r' && !content.ends_with("\r\n");
    return lineEnds + (unended ? 1 : 0);
}

void CheckLines(const std::string& path, std::size_t lines) {
    if (lines > static_cast<std::size_t>(MaxLines)) {
        throw Failure("ReadLine", path, error_code::FileTooLarge);
    }
}

// Whether the host (folded) stands at the position, whatever the letter case.
bool HostAt(std::string_view text, std::size_t at, std::string_view host) noexcept {
    if (at + host.size() > text.size()) {
        return false;
    }
    for (std::size_t i = 0; i < host.size(); ++i) {
        if (ToLowerAscii(text[at + i]) != host[i]) {
            return false;
        }
    }
    return true;
}

// The scan's cheap test of where the host may start: its first characters,
// up to ScanPrefix of them, with bit 0x20 set, as it is in lower case.
bool MayStartAt(std::string_view text, std::size_t at, std::string_view host) noexcept {
    const std::size_t length = std::min(host.size(), ScanPrefix);
    if (at + length > text.size()) {
        return false;
    }
    for (std::size_t i = 0; i < length; ++i) {
        if ((text[at + i] | 0x20) != (host[i] | 0x20)) {
            return false;
        }
    }
    return true;
}

// The host as a name in the files is compared with: in lower case, without
// the trailing dot that makes a name absolute.
std::string Folded(std::string_view host) {
    std::string folded(host.ends_with('.') ? host.substr(0, host.size() - 1) : host);
    std::transform(folded.begin(), folded.end(), folded.begin(), ToLowerAscii);
    return folded;
}

// The name is the site's, or one of its subdomains': "login.Live.com." and
// "live.com" name live.com; "8live.com" and "live.com.evil.test" do not.
bool NameMatches(std::string_view name, std::string_view host) noexcept {
    if (name.ends_with('.')) {
        name.remove_suffix(1);
    }
    if (name.size() < host.size()) {
        return false;
    }
    const std::size_t at = name.size() - host.size();
    return (at == 0 || name[at - 1] == '.') && HostAt(name, at, host);
}

constexpr bool IsBlank(char c) noexcept {
    return c == ' ' || c == '\t';
}

// The fields of an entry, separated by blanks and tabs: its address, then its
// names. A "#" anywhere ends them, as it starts a comment or an lmhosts
// keyword, so a part that starts with one has none.
class EntryFields {
public:
    explicit EntryFields(std::string_view part) noexcept : rest_(part) {}

    // The next field, or nothing once the fields have ended.
    std::string_view Next() noexcept {
        SkipBlanks();
        std::size_t end = 0;
        while (end < rest_.size() && !IsBlank(rest_[end]) && rest_[end] != '#') {
            ++end;
        }
        const std::string_view field = rest_.substr(0, end);
        rest_.remove_prefix(end);
        return field;
    }

    // An lmhosts name may be quoted, to hold blanks or special characters;
    // it is compared without its quotes. One left open runs to the part's end.
    std::string_view NextMaybeQuoted() noexcept {
        SkipBlanks();
        if (!rest_.starts_with('"')) {
            return Next();
        }
        const std::size_t close = rest_.find('"', 1);
        const std::string_view name = rest_.substr(1, close == std::string_view::npos ? close : close - 1);
        rest_ = {};
        return name;
    }

private:
    void SkipBlanks() noexcept {
        while (!rest_.empty() && IsBlank(rest_.front())) {
            rest_.remove_prefix(1);
        }
    }

    std::string_view rest_;
};

// Whether one of the entry's names matches. In lmhosts an entry has one name,
// after the address; the fields after it are keywords (#PRE, #DOM:...).
bool NamesHost(std::string_view part, std::string_view host, NameFile kind) noexcept {
    EntryFields fields(part);
    if (fields.Next().empty()) {
        return false;  // a comment, or a part of blanks
    }
    if (kind == NameFile::Lmhosts) {
        return NameMatches(fields.NextMaybeQuoted(), host);
    }
    for (std::string_view name = fields.Next(); !name.empty(); name = fields.Next()) {
        if (NameMatches(name, host)) {
            return true;
        }
    }
    return false;
}

}  // namespace

void CheckLineLimit(const std::string& path, std::string_view content) {
    CheckLines(path, LinesOf(content, ScanBlocks(content, {}).LineEnds));
}

// Every byte of both files is looked at in each repair. To keep that close to
// the cost of a plain copy, the bytes are taken in blocks of a fixed size,
// which the compiler handles many bytes at a time: the line ends in a block
// are counted, and the block is kept when the host's first three characters
// stand in it with bit 0x20 set, as it is in lower case. Three, because two
// letters stand by chance in about one block of six of a long list of names.
// A few false ones (a CR for "-") are ruled out when the block is searched
// closely.
BlockScan ScanBlocks(std::string_view content, std::string_view foldedHost) {
    BlockScan scan;
    if (foldedHost.empty()) {
        scan.LineEnds = static_cast<std::size_t>(std::count(content.begin(), content.end(), '\r'));
        return scan;
    }
    using Byte = std::uint8_t;
    // A shorter host is looked for as its first character, then any.
    const std::size_t last = foldedHost.size() - 1;
    const auto first = static_cast<Byte>(foldedHost[0] | 0x20);
    const auto second = static_cast<Byte>(foldedHost[std::min<std::size_t>(1, last)] | 0x20);
    const auto third = static_cast<Byte>(foldedHost[std::min<std::size_t>(2, last)] | 0x20);
    // Each test gives all bits or none, as a vector compare does, so that no
    // masking follows it.
    const Byte anySecond = last < 1 ? 0xFF : 0;
    const Byte anyThird = last < 2 ? 0xFF : 0;
    const auto* bytes = reinterpret_cast<const Byte*>(content.data());
    std::size_t at = 0;
    // Each of these blocks has two bytes after it, to look at as the second
    // and third characters.
    for (; at + ScanBlockSize + 1 < content.size(); at += ScanBlockSize) {
        const Byte* block = bytes + at;
        Byte ends = 0;
        Byte candidates = 0;
        for (std::size_t i = 0; i < ScanBlockSize; ++i) {
            ends = static_cast<Byte>(ends + (block[i] == '\r' ? 1 : 0));
            candidates |= static_cast<Byte>(((block[i] | 0x20) == first ? 0xFF : 0) &
                                            (((block[i + 1] | 0x20) == second ? 0xFF : 0) | anySecond) &
                                            (((block[i + 2] | 0x20) == third ? 0xFF : 0) | anyThird));
        }
        scan.LineEnds += ends;
        if (candidates != 0) {
            scan.CandidateBlocks.push_back(at);
        }
    }
    // The rest, less than a block and two bytes, byte by byte.
    for (std::size_t i = at; i < content.size(); ++i) {
        scan.LineEnds += bytes[i] == '\r' ? 1 : 0;
        const std::size_t block = i - i % ScanBlockSize;
        if (MayStartAt(content, i, foldedHost) &&
            (scan.CandidateBlocks.empty() || scan.CandidateBlocks.back() != block)) {
            scan.CandidateBlocks.push_back(block);
        }
    }
    return scan;
}

// Where a "#" goes, as offsets into the content: in front of each entry that
// names the host or a subdomain of it. Each LF-separated part of a line is an
// entry of its own to Windows: a site's entry after an LF is commented out,
// and a localhost entry before it is left alone. A UTF-8 mark stays the
// file's first bytes, ahead of any "#". Comment lines, and lmhosts' "#"
// directives, are never changed, so a second fix of the site finds nothing.
//
// A name that matches holds the host, so only the parts where the host stands
// need their names read, and those stand in the blocks the scan keeps.
std::vector<std::size_t> MarksFor(const std::string& path, std::string_view content, const std::string& host,
                                  NameFile kind) {
    const std::string folded = Folded(host);
    const BlockScan scan = ScanBlocks(content, folded);
    CheckLines(path, LinesOf(content, scan.LineEnds));
    std::vector<std::size_t> marks;
    // No name holds a line end, and an empty host names nothing.
    if (folded.empty() || folded.find_first_of(PartEnds) != std::string::npos) {
        return marks;
    }
    const std::size_t first = content.starts_with(Utf8Mark) ? Utf8Mark.size() : 0;
    std::size_t next = first;  // where the parts not yet read begin
    for (const std::size_t block : scan.CandidateBlocks) {
        const std::size_t end = std::min(block + ScanBlockSize, content.size());
        for (std::size_t at = std::max(block, next); at < end; ++at) {
            if (!HostAt(content, at, folded)) {
                continue;
            }
            const std::size_t before = content.find_last_of(PartEnds, at);
            const std::size_t begin = before == std::string_view::npos ? first : before + 1;
            next = std::min(content.find_first_of(PartEnds, at), content.size());
            if (NamesHost(content.substr(begin, next - begin), folded, kind)) {
                marks.push_back(begin);
            }
            at = next;  // the search goes on after the part's end
        }
    }
    return marks;
}

}  // namespace resolvo::namefiles
