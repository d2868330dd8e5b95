#include "namefiles/NameFileRepair.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>
#include <utility>

#include "namefiles/SafeRewrite.h"
#include "port/Failure.h"
#include "port/Step.h"

namespace resolvo::namefiles {

namespace {

constexpr std::string_view EtcFolder = "\\drivers\\etc\\";
constexpr std::string_view HostsName = "hosts";
constexpr std::string_view LmhostsName = "lmhosts";
constexpr std::string_view BackupSuffix = ".rv2";
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

// Finds any of a site's names.
class NamesMatcher {
public:
    explicit NamesMatcher(const std::vector<std::string>& names) : matchers_(names.begin(), names.end()) {}

    bool FoundIn(std::string_view line) const noexcept {
        return std::any_of(matchers_.begin(), matchers_.end(),
                           [line](const HostMatcher& matcher) { return matcher.FoundIn(line); });
    }

private:
    std::vector<HostMatcher> matchers_;
};

// Windows takes a lone LF for a line end, though to this program it is text
// inside a line. So each LF-separated part that names the host gets its own
// mark: a site's entry after an LF is commented out, and a localhost entry
// before it is left alone.
void MarkNamingParts(std::string_view line, const NamesMatcher& matcher, std::string& marked) {
    for (std::size_t start = 0;;) {
        const std::size_t end = line.find('\n', start);
        const std::string_view part = line.substr(start, end == std::string_view::npos ? end : end - start);
        if (matcher.FoundIn(part)) {
            marked += CommentMark;
        }
        marked += part;
        if (end == std::string_view::npos) {
            return;
        }
        marked += '\n';
        start = end + 1;
    }
}

// A missing file reads as one without lines. A UTF-16 file is refused: its
// lines cannot be split at single bytes, and it is left exactly as it is.
LineReader ReadIfPresent(Files& files, const std::string& path, bool present) {
    if (!present) {
        return {};
    }
    LineReader lines = WhileBusy(files, [&] { return files.OpenForReading(path); });
    if (lines.BeginsWith("\xFF\xFE") || lines.BeginsWith("\xFE\xFF")) {
        throw Failure("ReadFile", path, error_code::UnsupportedType);
    }
    return lines;
}

// Whatever fails while a name file is backed up or rewritten is told as a
// failure of that file, not of the temporary or backup file it happened on.
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

// Hands the lines on one at a time: the new content goes straight to the
// temporary file, so only the file as read is held in memory. A file over
// the limit fails before its extra line is used, and its rewrite is dropped.
template <typename EachLine>
void ForEachLine(const std::string& path, LineReader& lines, EachLine&& eachLine) {
    for (int count = 0; !lines.AtEnd(); ++count) {
        if (count == NameFileRepair::MaxLines) {
            throw Failure("ReadLine", path, error_code::FileTooLarge);
        }
        eachLine(lines.ReadLine());
    }
}

}  // namespace

void NameFileRepair::RepairNameFiles(const std::vector<std::string>& names) {
    state_.EtcDirectory = GetEtcDirectory();
    RunStep([&] { RemoveLeftovers(files_, state_.EtcDirectory); });
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

void NameFileRepair::CopyToBackup(const std::string& path) {
    AsFailureOf(path, [&] {
        LineReader lines = ReadIfPresent(files_, path, files_.FileExists(path));
        SafeRewrite backup(files_, path + std::string(BackupSuffix), runTag_);
        ForEachLine(path, lines, [&backup](const std::string& line) { backup.WriteLine(line); });
        backup.Commit(std::nullopt);
    });
}

void NameFileRepair::CommentOutHost(const std::string& path, const std::vector<std::string>& names) {
    AsFailureOf(path, [&] { Rewrite(path, names); });
}

void NameFileRepair::Rewrite(const std::string& path, const std::vector<std::string>& names) {
    const bool present = files_.FileExists(path);
    LineReader lines = ReadIfPresent(files_, path, present);
    // An empty file would come out of the rewrite as it went in. Where there
    // is no lmhosts, the first repair leaves an empty one, and every later
    // repair would otherwise replace it with another.
    if (present && lines.AtEnd()) {
        return;
    }
    // Read before anything is written, so that a failure here costs nothing.
    const std::optional<std::uint32_t> attributes =
        present ? std::optional(files_.GetAttributes(path)) : std::nullopt;
    const NamesMatcher matcher(names);
    SafeRewrite rewrite(files_, path, runTag_);
    std::string marked;
    // A host with an LF in it can only be found across parts: then the line
    // as a whole is marked.
    const bool markParts = std::none_of(names.begin(), names.end(), [](const std::string& name) {
        return name.find('\n') != std::string::npos;
    });
    // A UTF-8 mark stays the file's first bytes, ahead of any "#".
    std::string_view mark = lines.BeginsWith(Utf8Mark) ? Utf8Mark : std::string_view();
    ForEachLine(path, lines, [&](const std::string& whole) {
        const std::string_view line = std::string_view(whole).substr(std::exchange(mark, {}).size());
        if (!matcher.FoundIn(line)) {
            rewrite.WriteLine(whole);
            return;
        }
        marked.assign(whole, 0, whole.size() - line.size());
        if (markParts && line.find('\n') != std::string_view::npos) {
            MarkNamingParts(line, matcher, marked);
        } else {
            marked += CommentMark;
            marked += line;
        }
        rewrite.WriteLine(marked);
    });
    rewrite.Commit(attributes);
}

std::string NameFileRepair::HostsPath() const {
    return state_.EtcDirectory + std::string(HostsName);
}

std::string NameFileRepair::LmhostsPath() const {
    return state_.EtcDirectory + std::string(LmhostsName);
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
    WhileBusy(files_, [&] { files_.SetAttributes(path, writable); });
}

void NameFileRepair::Restore(const std::string& path, std::uint32_t saved, bool restorable) {
    if (restorable) {
        RunStep([&] { WhileBusy(files_, [&] { files_.SetAttributes(path, saved & SettableAttributes); }); });
    }
}

}  // namespace resolvo::namefiles
