#include "namefiles/SafeRewrite.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "port/Paths.h"
#include "port/Step.h"

namespace resolvo::namefiles {

namespace {

// Enough names for the leftovers that could not be removed.
constexpr int MaxTemporaryNames = 100;

bool IsTaken(const Failure& failure) noexcept {
    return failure.Code() == error_code::FileExists || failure.Code() == error_code::AlreadyExists;
}

bool AllDigits(std::string_view text) noexcept {
    return !text.empty() && std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; });
}

// The file a temporary name belongs to: "hosts" for "hosts.512-1.resolvo.tmp";
// nothing for a name of any other shape.
std::optional<std::string_view> FileOfTemporary(std::string_view name) {
    if (!name.ends_with(SafeRewrite::TemporarySuffix)) {
        return std::nullopt;
    }
    name.remove_suffix(SafeRewrite::TemporarySuffix.size());
    const std::size_t dash = name.rfind('-');
    const std::size_t dot = dash == std::string_view::npos ? dash : name.rfind('.', dash);
    if (dot == std::string_view::npos || dot == 0 || !AllDigits(name.substr(dot + 1, dash - dot - 1)) ||
        !AllDigits(name.substr(dash + 1))) {
        return std::nullopt;
    }
    return name.substr(0, dot);
}

// Of the copies a killed replace left, the one written last.
const std::string& Newest(Files& files, const std::vector<std::string>& leftovers) {
    return *std::ranges::max_element(leftovers, {},
                                     [&](const std::string& path) { return files.LastWriteTime(path); });
}

// Returns the leftover that now is the file.
std::string PutNewestInPlace(Files& files, const std::vector<std::string>& leftovers,
                             const std::string& file) {
    const std::string newest = Newest(files, leftovers);
    BusyBudget busy;
    WhileBusy(files, busy, [&] { files.Rename(newest, file); });
    return newest;
}

// A hidden leftover that cannot be removed (another program holds it) stays
// hidden; only the read-only bit stands in the way of removing it.
void RemoveLeftover(Files& files, const std::string& path) {
    const std::uint32_t bits = files.GetAttributes(path) & SettableAttributes;
    if ((bits & ReadOnlyAttribute) != 0) {
        files.SetAttributes(path, bits & ~ReadOnlyAttribute);
    }
    try {
        files.RemoveFile(path);
    } catch (const Failure&) {
        if ((bits & ReadOnlyAttribute) != 0) {
            RunStep([&] { files.SetAttributes(path, bits); });
        }
        throw;
    }
}

}  // namespace

bool IsBusy(const Failure& failure) noexcept {
    switch (failure.Code()) {
        case error_code::AccessDenied:
        case error_code::SharingViolation:
        case error_code::LockViolation:
        case error_code::UnableToRemoveReplaced:
        case error_code::UnableToMoveReplacement:
            return true;
        default:
            return false;
    }
}

// The temporary file lives in the target's own folder, so that putting it in
// the target's place happens on one volume and cannot half happen.
SafeRewrite::SafeRewrite(Files& files, std::string target, std::string_view runTag, BusyBudget& busy)
    : files_(files), busy_(busy), target_(std::move(target)), runTag_(runTag) {
    for (number_ = 1;; ++number_) {
        temporary_ = NameFor(number_);
        try {
            writer_ = WhileBusy(files_, busy_, [&] { return files_.CreateNew(temporary_); });
            return;
        } catch (const Failure& failure) {
            if (!IsTaken(failure) || number_ == MaxTemporaryNames) {
                throw;
            }
        }
    }
}

SafeRewrite::~SafeRewrite() {
    if (settled_) {
        return;
    }
    // Windows cannot delete a file that is still open.
    writer_.reset();
    // The failure that dropped the rewrite is the one the caller hears of;
    // a temporary file that cannot be removed is only clutter, and the next
    // repair removes it. Whatever went wrong, nothing leaves a destructor:
    // the rewrite may be dropped by an exception on its way out already.
    try {
        WhileBusy(files_, busy_, [this] { files_.RemoveFile(temporary_); });
    } catch (...) {
    }
}

std::string SafeRewrite::NameFor(int number) const {
    return target_ + "." + runTag_ + "-" + std::to_string(number) + std::string(TemporarySuffix);
}

void SafeRewrite::Write(std::string_view bytes) {
    writer_->Write(bytes);
}

// Replacing keeps the target's access list: a renamed temporary file would
// take the folder's inherited permissions in place of the target's own.
void SafeRewrite::Commit(std::optional<std::uint32_t> attributes) {
    writer_->Close();
    writer_.reset();
    if (files_.FileExists(target_)) {
        ReplaceTarget();
    } else {
        WhileBusy(files_, busy_, [&] { files_.Rename(temporary_, target_); });
    }
    settled_ = true;
    if (attributes) {
        WhileBusy(files_, busy_, [&] { files_.SetAttributes(target_, *attributes & SettableAttributes); });
    }
}

// The old file goes to a backup name of the same pattern, so that a replace
// that stops half way (ReplaceFile's error 1177, or a killed run) leaves it
// where it can be put back.
void SafeRewrite::ReplaceTarget() {
    int number = number_;
    std::string backup;
    do {
        backup = NameFor(++number);
    } while (files_.FileExists(backup));
    // Replacing keeps the access list but not the owner: the new file's is
    // whoever made it. The old owner is put back where the program may.
    std::optional<std::string> owner;
    RunStep([&] { owner = files_.FileOwner(target_); });
    try {
        WhileBusy(files_, busy_, [&] { files_.Replace(temporary_, target_, backup); });
    } catch (const Failure& failure) {
        if (files_.FileExists(target_)) {
            throw;
        }
        PutBackAfter(failure, backup);
    }
    if (owner) {
        RunStep([&] { files_.SetFileOwner(target_, *owner); });
    }
    RunStep([&] { WhileBusy(files_, busy_, [&] { files_.RemoveFile(backup); }); });
}

// The target is gone half way through: only the move of the new file is
// tried again, and if it cannot be made the old file goes back. Either is
// worth a wait of its own, whatever the file's budget has left. If neither
// can be moved, both stay, for the next repair to put in place.
void SafeRewrite::PutBackAfter(const Failure& failure, const std::string& backup) {
    BusyBudget rescue;
    if (RunStep([&] { WhileBusy(files_, rescue, [&] { files_.Rename(temporary_, target_); }); })) {
        return;
    }
    if (!RunStep([&] { WhileBusy(files_, rescue, [&] { files_.Rename(backup, target_); }); })) {
        settled_ = true;
        throw CopiesLeftBeside(failure.Operation(), failure.Subject(), failure.Code());
    }
    throw Failure(failure.Operation(), failure.Subject(), failure.Code());
}

void RemoveLeftovers(Files& files, const std::string& folder, const std::vector<std::string>& names,
                     std::string_view file) {
    std::vector<std::string> leftovers;
    for (const std::string& name : names) {
        if (FileOfTemporary(name) == file) {
            leftovers.push_back(JoinPath(folder, name));
        }
    }
    if (leftovers.empty()) {
        return;
    }
    const std::string path = JoinPath(folder, file);
    if (!files.FileExists(path)) {
        std::erase(leftovers, PutNewestInPlace(files, leftovers, path));
    }
    for (const std::string& leftover : leftovers) {
        RunStep([&] { RemoveLeftover(files, leftover); });
    }
}

}  // namespace resolvo::namefiles
