#include "namefiles/NameFileRepair.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "namefiles/LineScan.h"
#include "namefiles/SafeRewrite.h"
#include "port/Failure.h"
#include "port/Step.h"

namespace resolvo::namefiles {

namespace {

constexpr std::string_view EtcFolder = "\\drivers\\etc\\";
constexpr std::string_view HostsName = "hosts";
constexpr std::string_view LmhostsName = "lmhosts";
constexpr std::string_view CommentMark = "#";

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
    CheckLineLimit(path, content);
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
    const NameFile kind = path == LmhostsPath() ? NameFile::Lmhosts : NameFile::Hosts;
    for (const std::string& name : names) {
        const std::vector<std::size_t> more = MarksFor(path, bytes, name, kind);
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
