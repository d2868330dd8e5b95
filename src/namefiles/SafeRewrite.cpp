#include "namefiles/SafeRewrite.h"

#include <utility>

#include "port/Paths.h"
#include "port/Step.h"

namespace resolvo::namefiles {

namespace {

// Enough names for the leftovers that could not be removed.
constexpr int MaxTemporaryNames = 100;

bool IsTaken(const Failure& failure) noexcept {
    return failure.Code() == error_code::FileExists || failure.Code() == error_code::AlreadyExists;
}

// The temporary file lives in the target's own folder, so that putting it in
// the target's place happens on one volume and cannot half happen.
std::unique_ptr<LineWriter> CreateTemporary(Files& files, const std::string& target, std::string_view runTag,
                                            std::string& temporary) {
    for (int number = 1;; ++number) {
        temporary = target + "." + std::string(runTag) + "-" + std::to_string(number) +
                    std::string(SafeRewrite::TemporarySuffix);
        try {
            return WhileBusy(files, [&] { return files.CreateNew(temporary); });
        } catch (const Failure& failure) {
            if (!IsTaken(failure) || number == MaxTemporaryNames) {
                throw;
            }
        }
    }
}

}  // namespace

bool IsBusy(const Failure& failure) noexcept {
    switch (failure.Code()) {
        case error_code::AccessDenied:
        case error_code::SharingViolation:
        case error_code::LockViolation:
        case error_code::UnableToRemoveReplaced:
            return true;
        default:
            return false;
    }
}

SafeRewrite::SafeRewrite(Files& files, std::string target, std::string_view runTag)
    : files_(files),
      target_(std::move(target)),
      writer_(CreateTemporary(files_, target_, runTag, temporary_)) {}

SafeRewrite::~SafeRewrite() {
    if (moved_) {
        return;
    }
    // Windows cannot delete a file that is still open.
    writer_.reset();
    // The failure that dropped the rewrite is the one the caller hears of;
    // a temporary file that cannot be removed is only clutter, and the next
    // repair removes it.
    RunStep([this] { WhileBusy(files_, [this] { files_.RemoveFile(temporary_); }); });
}

void SafeRewrite::WriteLine(std::string_view text) {
    writer_->WriteLine(text);
}

// Replacing keeps the target's identity: a renamed temporary file would take
// the folder's inherited permissions in place of the target's own.
void SafeRewrite::Commit(std::optional<std::uint32_t> attributes) {
    writer_->Close();
    writer_.reset();
    const bool replace = files_.FileExists(target_);
    WhileBusy(files_, [&] {
        if (replace) {
            files_.Replace(temporary_, target_);
        } else {
            files_.Rename(temporary_, target_);
        }
    });
    moved_ = true;
    if (attributes) {
        WhileBusy(files_, [&] { files_.SetAttributes(target_, *attributes & SettableAttributes); });
    }
}

void RemoveLeftovers(Files& files, const std::string& folder) {
    for (const std::string& name : files.FileNames(folder)) {
        if (std::string_view(name).ends_with(SafeRewrite::TemporarySuffix)) {
            const std::string path = JoinPath(folder, name);
            RunStep([&] {
                files.SetAttributes(path, 0);
                files.RemoveFile(path);
            });
        }
    }
}

}  // namespace resolvo::namefiles
