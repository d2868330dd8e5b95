#include "namefiles/NameFileRepair.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "namefiles/LineScan.h"
#include "namefiles/SafeRewrite.h"
#include "port/Ascii.h"
#include "port/Failure.h"
#include "port/Paths.h"
#include "port/Step.h"

namespace resolvo::namefiles {

namespace {

// Where Windows reads the name files from, and where it usually is: the
// drivers\etc folder in the system directory.
constexpr std::string_view TcpipParameters = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";
constexpr std::string_view DataBasePath = "DataBasePath";
constexpr std::string_view EtcFolder = "drivers\\etc";
constexpr std::string_view HostsName = "hosts";
constexpr std::string_view LmhostsName = "lmhosts";
constexpr std::string_view CommentMark = "#";
// A backup's name is the file's with this appended.
constexpr std::string_view BackupSuffix = ".rv2";

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

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 3 && path.back() == '\\') {
        path.pop_back();
    }
    return path;
}

// Only a path from a root names a folder: a relative one would be looked
// for in whatever folder is current.
bool IsRooted(std::string_view path) noexcept {
    return path.starts_with('\\') || (path.size() >= 3 && path[1] == ':' && path[2] == '\\');
}

// Whether the path is the folder or lies inside it, in any letter case.
bool IsWithin(std::string_view path, std::string_view folder) noexcept {
    return path.size() >= folder.size() && EqualIgnoringCase(path.substr(0, folder.size()), folder) &&
           (path.size() == folder.size() || path[folder.size()] == '\\');
}

// A 32-bit program on 64-bit Windows that names a folder in the system
// directory is led to the 32-bit SysWOW64 instead, except for drivers\etc
// and a few others that Windows exempts. Elsewhere in the system directory
// the folder Windows reads from is reached through the native alias.
std::string Reached(Files& files, const std::string& system, const std::string& folder) {
    if (!IsWithin(folder, system) || IsWithin(folder, JoinPath(system, EtcFolder))) {
        return folder;
    }
    return files.NativeSystemDirectory() + folder.substr(system.size());
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

}  // namespace

std::string_view FileName(NameFile file) noexcept {
    return file == NameFile::Hosts ? HostsName : LmhostsName;
}

std::string BackupName(NameFile file) {
    return std::string(FileName(file)) + std::string(BackupSuffix);
}

NameFileFailure::NameFileFailure(const Failure& cause, NameFile file, RepairStage stage, NameFolder folder,
                                 bool copiesLeft)
    : Failure(cause.Operation(), cause.Subject(), cause.Code()),
      file_(file),
      stage_(stage),
      folder_(std::move(folder)),
      copiesLeft_(copiesLeft) {}

NameFileRepair::NameFileRepair(Files& files, MachineSettings& settings, std::string runTag)
    : files_(files), settings_(settings), runTag_(std::move(runTag)) {}

NameFolder NameFileRepair::RepairNameFiles(const std::vector<std::string>& names) {
    AtStage(records_[0], RepairStage::Folder, [&] { LocateFolder(); });
    for (Record& record : records_) {
        record.path = JoinPath(reached_, FileName(record.file));
        record.busy = {};
    }
    ClearLeftovers();
    for (Record& record : records_) {
        SaveAndClear(record);
    }
    // A failed stage must not leave a read-only file writable.
    try {
        BackUpOnce();
        for (Record& record : records_) {
            AtStage(record, RepairStage::Rewrite, [&] { Rewrite(record, names); });
        }
    } catch (...) {
        for (Record& record : records_) {
            Restore(record);
        }
        throw;
    }
    for (Record& record : records_) {
        Restore(record);
    }
    return folder_;
}

// Windows reads the name files from the folder its settings name. Where they
// name none, or no folder that exists, it is the usual one, as it is for
// Windows when the value is missing. A setting that cannot be read counts as
// missing.
void NameFileRepair::LocateFolder() {
    const std::string system = files_.SystemDirectory();
    const std::string usual = JoinPath(system, EtcFolder);
    std::optional<std::string> named;
    RunStep([&] { named = settings_.ReadSetting(std::string(TcpipParameters), std::string(DataBasePath)); });
    if (named && IsRooted(*named)) {
        const std::string folder = WithoutTrailingSlashes(*named);
        const std::string reached = Reached(files_, system, folder);
        if (files_.FolderExists(reached)) {
            folder_ = {folder, EqualIgnoringCase(folder, usual)};
            reached_ = reached;
            return;
        }
    }
    folder_ = {usual, true};
    reached_ = usual;
}

// Whatever fails is told as a failure of the name file at that stage, not
// of the temporary file or the backup it happened on.
template <typename Work>
void NameFileRepair::AtStage(const Record& record, RepairStage stage, Work&& work) {
    try {
        work();
    } catch (const CopiesLeftBeside& failure) {
        throw NameFileFailure(failure, record.file, stage, folder_, true);
    } catch (const Failure& failure) {
        throw NameFileFailure(failure, record.file, stage, folder_);
    }
}

// A killed run's copy of a backup that cannot take its place is a failure
// of the backup stage, as one of the file itself is of the rewrite.
void NameFileRepair::ClearLeftovers() {
    std::vector<std::string> names;
    if (!RunStep([&] { names = files_.FileNames(reached_); })) {
        return;
    }
    for (const Record& record : records_) {
        AtStage(record, RepairStage::Rewrite,
                [&] { RemoveLeftovers(files_, reached_, names, FileName(record.file)); });
        AtStage(record, RepairStage::Backup,
                [&] { RemoveLeftovers(files_, reached_, names, BackupName(record.file)); });
    }
}

void NameFileRepair::BackUpOnce() {
    if (backedUpIn_ == reached_) {
        return;
    }
    for (Record& record : records_) {
        BackUp(record);
    }
    backedUpIn_ = reached_;
}

// The backup is the file's exact bytes. Without a file (or with a folder in
// its place) there is nothing to back up, and an older backup stays. A file
// that cannot be read, or is refused, fails as a file not repaired.
void NameFileRepair::BackUp(Record& record) {
    bool present = false;
    std::string content;
    AtStage(record, RepairStage::Rewrite, [&] {
        present = files_.FileExists(record.path);
        if (present) {
            content = ReadNameFile(files_, record.path, record.busy);
            CheckLineLimit(record.path, content);
        }
    });
    if (present) {
        AtStage(record, RepairStage::Backup, [&] {
            WriteBackup(JoinPath(reached_, BackupName(record.file)), content, record.busy);
        });
    }
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
void NameFileRepair::Rewrite(Record& record, const std::vector<std::string>& names) {
    if (!files_.FileExists(record.path)) {
        SafeRewrite(files_, record.path, runTag_, record.busy).Commit(std::nullopt);
        return;
    }
    const std::string bytes = ReadNameFile(files_, record.path, record.busy);
    // A line that names the site by more than one of its names gets one mark.
    std::vector<std::size_t> marks;
    for (const std::string& name : names) {
        const std::vector<std::size_t> more = MarksFor(record.path, bytes, name, record.file);
        marks.insert(marks.end(), more.begin(), more.end());
    }
    std::sort(marks.begin(), marks.end());
    marks.erase(std::unique(marks.begin(), marks.end()), marks.end());
    if (marks.empty()) {
        return;
    }
    // Read before anything is written, so that a failure here costs nothing.
    const std::uint32_t attributes = files_.GetAttributes(record.path);
    SafeRewrite rewrite(files_, record.path, runTag_, record.busy);
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

// The read-only bit is lifted only when the attributes could be saved: it
// could not be put back otherwise. A file that is missing now may still get
// the value saved at an earlier repair, once it has been created again.
void NameFileRepair::SaveAndClear(Record& record) {
    if (RunStep([&] { record.attributes = files_.GetAttributes(record.path); })) {
        RunStep([&] {
            const std::uint32_t writable = record.attributes & SettableAttributes & ~ReadOnlyAttribute;
            WhileBusy(files_, record.busy, [&] { files_.SetAttributes(record.path, writable); });
        });
        record.restorable = true;
        return;
    }
    bool missing = false;
    RunStep([&] { missing = !files_.FileExists(record.path); });
    record.restorable = missing;
}

void NameFileRepair::Restore(Record& record) {
    if (record.restorable) {
        RunStep([&] {
            WhileBusy(files_, record.busy,
                      [&] { files_.SetAttributes(record.path, record.attributes & SettableAttributes); });
        });
    }
}

}  // namespace resolvo::namefiles
