#include "namefiles/NameFileRepair.h"

#include <algorithm>
#include <array>
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

// Finds a host anywhere in a line, whatever the letter case on either side.
// Every line of both files is searched at each repair, so the search skips
// ahead by the host's length where it can (Horspool) instead of trying each
// position in turn; that keeps a repair close to the cost of a plain copy.
class HostMatcher {
public:
    explicit HostMatcher(std::string_view host) : host_(host) {
        std::transform(host_.begin(), host_.end(), host_.begin(), FoldCase);
        skip_.fill(host_.size());
        for (std::size_t i = 0; i + 1 < host_.size(); ++i) {
            const std::size_t skip = host_.size() - 1 - i;
            skip_[Index(host_[i])] = skip;
            if (host_[i] >= 'a' && host_[i] <= 'z') {
                skip_[Index(static_cast<char>(host_[i] - 'a' + 'A'))] = skip;
            }
        }
    }

    bool FoundIn(std::string_view line) const noexcept {
        if (host_.empty()) {
            return false;
        }
        // `end` is where the host's last character would be.
        for (std::size_t end = host_.size() - 1; end < line.size(); end += skip_[Index(line[end])]) {
            if (MatchesEndingAt(line, end)) {
                return true;
            }
        }
        return false;
    }

private:
    static std::size_t Index(char c) noexcept { return static_cast<unsigned char>(c); }

    bool MatchesEndingAt(std::string_view line, std::size_t end) const noexcept {
        const std::size_t start = end + 1 - host_.size();
        for (std::size_t i = host_.size(); i-- > 0;) {
            if (FoldCase(line[start + i]) != host_[i]) {
                return false;
            }
        }
        return true;
    }

    std::string host_;
    // How far the host may move on, by the line's character under its end.
    std::array<std::size_t, 256> skip_{};
};

// Windows takes a lone LF for a line end, though to this program it is text
// inside a line. So each LF-separated part that names the host gets its own
// mark: a site's entry after an LF is commented out, and a localhost entry
// before it is left alone. Marks are kept as the offsets they go in front of.
void MarkNamingParts(std::string_view line, std::size_t offset, const HostMatcher& matcher,
                     std::vector<std::size_t>& marks) {
    for (std::size_t start = 0; start <= line.size();) {
        const std::size_t end = std::min(line.find('\n', start), line.size());
        if (matcher.FoundIn(line.substr(start, end - start))) {
            marks.push_back(offset + start);
        }
        start = end + 1;
    }
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
LineReader ReadNameFile(Files& files, const std::string& path, BusyBudget& busy) {
    LineReader lines = WhileBusy(files, busy, [&] { return files.OpenForReading(path); });
    if (lines.BeginsWith("\xFF\xFE") || lines.BeginsWith("\xFE\xFF") || LooksLikeUtf16(lines.Content())) {
        throw Failure("ReadFile", path, error_code::UnsupportedType);
    }
    return lines;
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

// A file over the limit fails before its extra line is used.
template <typename EachLine>
void ForEachLine(const std::string& path, LineReader& lines, EachLine&& eachLine) {
    for (int count = 0; !lines.AtEnd(); ++count) {
        if (count == NameFileRepair::MaxLines) {
            throw Failure("ReadLine", path, error_code::FileTooLarge);
        }
        eachLine(lines.NextLine().text);
    }
}

// Where a "#" goes in front of a line, as offsets into the file's content.
std::vector<std::size_t> MarksFor(const std::string& path, LineReader& lines, const std::string& host) {
    const HostMatcher matcher(host);
    const char* const content = lines.Content().data();
    // A host with an LF in it can only be found across parts: then the line
    // as a whole is marked.
    const bool markParts = host.find('\n') == std::string::npos;
    // A UTF-8 mark stays the file's first bytes, ahead of any "#".
    std::size_t skip = lines.BeginsWith(Utf8Mark) ? Utf8Mark.size() : 0;
    std::vector<std::size_t> marks;
    ForEachLine(path, lines, [&](std::string_view line) {
        line.remove_prefix(std::exchange(skip, 0));
        if (!matcher.FoundIn(line)) {
            return;
        }
        const auto offset = static_cast<std::size_t>(line.data() - content);
        if (markParts && line.find('\n') != std::string_view::npos) {
            MarkNamingParts(line, offset, matcher, marks);
        } else {
            marks.push_back(offset);
        }
    });
    return marks;
}

}  // namespace

void NameFileRepair::RepairNameFiles(const std::string& host) {
    state_.EtcDirectory = GetEtcDirectory();
    hostsBusy_ = {};
    lmhostsBusy_ = {};
    RemoveLeftovers(files_, state_.EtcDirectory);
    SaveAndClearAttributes();
    // A failed stage must not leave a read-only file writable.
    try {
        BackUpOnce();
        CommentOutHost(HostsPath(), host);
        CommentOutHost(LmhostsPath(), host);
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
    LineReader lines = ReadNameFile(files_, path, busy);
    ForEachLine(path, lines, [](std::string_view) {});
    const std::string backup = path + std::string(BackupSuffix);
    AsFailureOf(backup, [&] { WriteBackup(backup, lines.Content(), busy); });
}

void NameFileRepair::CommentOutHost(const std::string& path, const std::string& host) {
    AsFailureOf(path, [&] { Rewrite(path, host); });
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
void NameFileRepair::Rewrite(const std::string& path, const std::string& host) {
    BusyBudget& busy = BusyOf(path);
    if (!files_.FileExists(path)) {
        SafeRewrite(files_, path, runTag_, busy).Commit(std::nullopt);
        return;
    }
    LineReader lines = ReadNameFile(files_, path, busy);
    const std::vector<std::size_t> marks = MarksFor(path, lines, host);
    if (marks.empty()) {
        return;
    }
    // Read before anything is written, so that a failure here costs nothing.
    const std::uint32_t attributes = files_.GetAttributes(path);
    SafeRewrite rewrite(files_, path, runTag_, busy);
    const std::string_view content = lines.Content();
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
