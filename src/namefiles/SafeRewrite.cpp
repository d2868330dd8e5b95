#include "namefiles/SafeRewrite.h"

#include <utility>

#include "port/Step.h"

namespace resolvo::namefiles {

// The temporary file lives in the target's own folder, so that moving it
// into place is a rename on one volume and cannot half happen.
SafeRewrite::SafeRewrite(Files& files, std::string target)
    : files_(files),
      target_(std::move(target)),
      temporary_(target_ + std::string(TemporarySuffix)),
      writer_(files_.CreateForWriting(temporary_)) {}

SafeRewrite::~SafeRewrite() {
    if (moved_) {
        return;
    }
    // Windows cannot delete a file that is still open.
    writer_.reset();
    // The failure that dropped the rewrite is the one the caller hears of;
    // a temporary file that cannot be removed is only clutter.
    RunStep([this] { files_.RemoveFile(temporary_); });
}

void SafeRewrite::WriteLine(std::string_view text) {
    writer_->WriteLine(text);
}

void SafeRewrite::Commit(std::optional<std::uint32_t> attributes) {
    writer_->Close();
    writer_.reset();
    files_.MoveReplacing(temporary_, target_);
    moved_ = true;
    // The file that took the target's place has the temporary file's
    // attributes, not the ones the target had.
    if (attributes) {
        files_.SetAttributes(target_, *attributes);
    }
}

}  // namespace resolvo::namefiles
