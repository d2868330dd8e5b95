#include "namefiles/NameFileRepair.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "namefiles/SafeRewrite.h"
#include "port/Failure.h"
#include "port/Step.h"

namespace resolvo::namefiles {

namespace {

constexpr std::string_view EtcFolder = "\\drivers\\etc\\";
constexpr std::string_view HostsName = "hosts";
constexpr std::string_view LmhostsName = "lmhosts";
constexpr std::string_view CommentMark = "#";
constexpr std::string_view Utf8Mark = "\xEF\xBB\xBF";

// Only A-Z fold: the files are ASCII by nature, and folding bytes of a
// multi-byte character could make a match where there is none.
constexpr char FoldCase(char c) noexcept {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether the host (folded) stands at the position, whatever the letter case.
bool HostAt(std::string_view content, std::size_t at, std::string_view host) noexcept {
    if (at + host.size() > content.size()) {
        return false;
    }
    for (std::size_t i = 0; i < host.size(); ++i) {
        if (FoldCase(content[at + i]) != host[i]) {
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
        if (lines_ > static_cast<std::size_t>(NameFileRepair::MaxLines)) {
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
    std::transform(folded.begin(), folded.end(), folded.begin(), FoldCase);
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

// Whether the bytes are UTF-16 text without a byte-order mark, judged as
// Windows' IsTextUnicode judges zero-extended text: every ASCII character
// of UTF-16 has a NUL beside it, which a file of single bytes never has.
// Its first 256 characters tell.
bool LooksLikeUtf16(std::string_view bytes) noexcept {
    const std::size_t units = std::min<std::size_t>(bytes.size() / 2, 256);
    std::size_t nulFirst = 0;
    std::size_t nulSecond = 0;
    for (std::size_t i = 0; i < units; ++i) {
        nulFirst += bytes[2 * i] == '\0' ? 1u : 0u;
        nulSecond += bytes[2 * i + 1] == '\0' ? 1u : 0u;
    }
    // NUL in at least every other unit on one side, and rarely on the other.
    return units > 0 && std::max(nulFirst, nulSecond) * 2 >= units &&
           std::min(nulFirst, nulSecond) * 4 < units;
}

// A UTF-16 file is refused: its lines cannot be split at single bytes, and
// it is left exactly as it is.
std::string ReadNameFile(Files& files, const std::string& path, BusyBudget& busy) {
    std::string content = WhileBusy(files, busy, [&] { return files.OpenForReading(path); });
    if (content.starts_with("\xFF\xFE") || content.starts_with("\xFE\xFF") || LooksLikeUtf16(content)) {
        throw Failure("ReadFile", path, error_code::UnsupportedType);
    }
    return content;
}

// Whatever fails while a file is written is told as a failure of that file,
// not of the temporary file it happened on.
template <typename Work>
void AsFailureOf(const std::string& path, Work&& work) {
    try {
        work();
    } catch (const Failure& failure) {
        if (failure.Subject() == path) {
            throw;
        }
        throw Failure(failure.Operation(), path, failure.Code());
    }
}

}  // namespace

void NameFileRepair::RepairNameFiles(const std::vector<std::string>& names) {
    state_.EtcDirectory = GetEtcDirectory();
    hostsBusy_ = {};
    lmhostsBusy_ = {};
    RemoveLeftovers(files_, state_.EtcDirectory);
    SaveAndClearAttributes();
    // A failed stage must not leave a read-only file writable.
    try {
        BackUpOnce();
        CommentOutHost(HostsPath(), names);
        CommentOutHost(LmhostsPath(), names);
    } catch (...) {
        RestoreAttributes();
        throw;
    }
    RestoreAttributes();
}

std::string NameFileRepair::GetEtcDirectory() {
    return files_.SystemDirectory() + std::string(EtcFolder);
}

void NameFileRepair::SaveAndClearAttributes() {
    restoreHosts_ = SaveAndClear(HostsPath(), state_.HostsAttributes);
    restoreLmhosts_ = SaveAndClear(LmhostsPath(), state_.LmhostsAttributes);
}

void NameFileRepair::RestoreAttributes() {
    Restore(HostsPath(), state_.HostsAttributes, restoreHosts_);
    Restore(LmhostsPath(), state_.LmhostsAttributes, restoreLmhosts_);
}

// The backup is the file's exact bytes. Without a file (or with a folder in
// its place) there is nothing to back up, and an older backup stays.
void NameFileRepair::CopyToBackup(const std::string& path) {
    if (!files_.FileExists(path)) {
        return;
    }
    BusyBudget& busy = BusyOf(path);
    const std::string content = ReadNameFile(files_, path, busy);
    LineCount(path, content).Add(content);
    const std::string backup = path + std::string(BackupSuffix);
    AsFailureOf(backup, [&] { WriteBackup(backup, content, busy); });
}

void NameFileRepair::CommentOutHost(const std::string& path, const std::vector<std::string>& names) {
    AsFailureOf(path, [&] { Rewrite(path, names); });
}

// A read-only, hidden or system backup is written as the name files are: its
// read-only bit is lifted for the write, and its bits are put back after.
void NameFileRepair::WriteBackup(const std::string& backup, std::string_view bytes, BusyBudget& busy) {
    std::optional<std::uint32_t> bits;
    if (files_.FileExists(backup)) {
        bits = files_.GetAttributes(backup) & SettableAttributes;
    }
    const bool readOnly = bits && (*bits & ReadOnlyAttribute) != 0;
    if (readOnly) {
        WhileBusy(files_, busy, [&] { files_.SetAttributes(backup, *bits & ~ReadOnlyAttribute); });
    }
    try {
        SafeRewrite rewrite(files_, backup, runTag_, busy);
        rewrite.Write(bytes);
        rewrite.Commit(bits);
    } catch (...) {
        if (readOnly) {
            RunStep([&] { files_.SetAttributes(backup, *bits); });
        }
        throw;
    }
}

// Only the "#" marks are added: every other byte, line ends included, stays
// as it was. A file in which no line names the host is not written at all;
// a missing one is created empty.
void NameFileRepair::Rewrite(const std::string& path, const std::vector<std::string>& names) {
    BusyBudget& busy = BusyOf(path);
    if (!files_.FileExists(path)) {
        SafeRewrite(files_, path, runTag_, busy).Commit(std::nullopt);
        return;
    }
    const std::string bytes = ReadNameFile(files_, path, busy);
    // A line that names the site by more than one of its names gets one mark.
    std::vector<std::size_t> marks;
    for (const std::string& name : names) {
        const std::vector<std::size_t> more = MarksFor(path, bytes, name);
        marks.insert(marks.end(), more.begin(), more.end());
    }
    std::sort(marks.begin(), marks.end());
    marks.erase(std::unique(marks.begin(), marks.end()), marks.end());
    if (marks.empty()) {
        return;
    }
    // Read before anything is written, so that a failure here costs nothing.
    const std::uint32_t attributes = files_.GetAttributes(path);
    SafeRewrite rewrite(files_, path, runTag_, busy);
    const std::string_view content = bytes;
    std::size_t written = 0;
    for (const std::size_t mark : marks) {
        rewrite.Write(content.substr(written, mark - written));
        rewrite.Write(CommentMark);
        written = mark;
    }
    rewrite.Write(content.substr(written));
    rewrite.Commit(attributes);
}

std::string NameFileRepair::HostsPath() const {
    return state_.EtcDirectory + std::string(HostsName);
}

std::string NameFileRepair::LmhostsPath() const {
    return state_.EtcDirectory + std::string(LmhostsName);
}

BusyBudget& NameFileRepair::BusyOf(const std::string& path) {
    return path == HostsPath() ? hostsBusy_ : lmhostsBusy_;
}

void NameFileRepair::BackUpOnce() {
    if (state_.NameFilesBackedUp) {
        return;
    }
    CopyToBackup(HostsPath());
    CopyToBackup(LmhostsPath());
    state_.NameFilesBackedUp = true;
}

// The read-only bit is lifted only when the attributes could be saved: it
// could not be put back otherwise. A file that is missing now may still get
// the value saved at an earlier repair, once it has been created again.
bool NameFileRepair::SaveAndClear(const std::string& path, std::uint32_t& saved) {
    if (RunStep([&] { saved = files_.GetAttributes(path); })) {
        RunStep([&] { ClearReadOnly(path); });
        return true;
    }
    bool missing = false;
    RunStep([&] { missing = !files_.FileExists(path); });
    return missing;
}

void NameFileRepair::ClearReadOnly(const std::string& path) {
    const std::uint32_t writable = files_.GetAttributes(path) & SettableAttributes & ~ReadOnlyAttribute;
    WhileBusy(files_, BusyOf(path), [&] { files_.SetAttributes(path, writable); });
}

void NameFileRepair::Restore(const std::string& path, std::uint32_t saved, bool restorable) {
    if (restorable) {
        RunStep([&] {
            WhileBusy(files_, BusyOf(path), [&] { files_.SetAttributes(path, saved & SettableAttributes); });
        });
    }
}

}  // namespace resolvo::namefiles
