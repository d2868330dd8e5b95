#include "namefiles/SafeRewrite.h"

#include <utility>

#include "platform/Step.h"

namespace resolvo {

// The temporary file lives in the target's own folder, so that moving it
// into place is a rename on one volume and cannot half happen.
SafeRewrite::SafeRewrite(Platform& platform, std::string target)
    : platform_(platform),
      target_(std::move(target)),
      temporary_(target_ + std::string(TemporarySuffix)),
      writer_(platform_.CreateForWriting(temporary_)) {}

SafeRewrite::~SafeRewrite() {
    if (moved_) {
        return;
    }
    // Windows cannot delete a file that is still open.
    writer_.reset();
    // The failure that dropped the rewrite is the one the caller hears of;
    // a temporary file that cannot be removed is only clutter.
    RunStep([this] { platform_.RemoveFile(temporary_); });
}

void SafeRewrite::WriteLine(std::string_view text) {
    writer_->WriteLine(text);
}

void SafeRewrite::Commit(std::optional<std::uint32_t> attributes) {
    writer_->Close();
    writer_.reset();
    platform_.MoveReplacing(temporary_, target_);
    moved_ = true;
    // The file that took the target's place has the temporary file's
    // attributes, not the ones the target had.
    if (attributes) {
        platform_.SetAttributes(target_, *attributes);
    }
}

}  // namespace resolvo
