#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <numeric>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "port/Failure.h"
#include "port/Platform.h"

namespace resolvo::namefiles {

// The DNS Client service and virus scanners open the name files for a
// moment, above all just after a new file appears beside them. A file
// operation that finds its file busy is tried again after growing pauses,
// 2.27 s in all, in which the windows keep painting; then the failure stands.
inline constexpr int BusyRetryDelaysMs[] = {10, 20, 40, 80, 160, 320, 640, 1000};
// The users' guide promises that total.
static_assert(std::accumulate(std::begin(BusyRetryDelaysMs), std::end(BusyRetryDelaysMs), 0) == 2270,
              "a busy file is waited for 2.27 s in all");

// The pauses one file may still wait for. All steps on a file share one
// budget, so that a file another program keeps is told of after 2.27 s,
// however many steps find it busy.
class BusyBudget {
public:
    bool Spent() const noexcept { return next_ == std::size(BusyRetryDelaysMs); }
    int Take() noexcept { return BusyRetryDelaysMs[next_++]; }

private:
    std::size_t next_ = 0;
};

// Sharing and lock violations, and access denied, which is what Windows
// answers for a file that is being deleted or replaced at that moment.
bool IsBusy(const Failure& failure) noexcept;

template <typename Operation>
decltype(auto) WhileBusy(Files& files, BusyBudget& budget, Operation&& operation) {
    for (;;) {
        try {
            return operation();
        } catch (const Failure& failure) {
            if (!IsBusy(failure) || budget.Spent()) {
                throw;
            }
        }
        files.Pause(budget.Take());
    }
}

// Rewrites a file without ever leaving it emptied or half written: the new
// bytes go to a temporary file beside it, which takes the file's place in one
// step once it is complete. Until then the file is left as it was, and a
// rewrite that is dropped uncommitted removes its temporary file, unless the
// file itself has gone meanwhile: then the temporary file may be the only
// copy, and it stays for the next repair to put in the file's place.
class SafeRewrite {
public:
    // Every temporary file is named <file>.<run>-<number> and this; what a
    // killed run left behind is found by it.
    static constexpr std::string_view TemporarySuffix = ".resolvo.tmp";

    // Creates the temporary file, under a name of the run's own (runTag) that
    // no file has yet. Waits for busy files from the budget.
    SafeRewrite(Files& files, std::string target, std::string_view runTag, BusyBudget& busy);
    ~SafeRewrite();
    SafeRewrite(const SafeRewrite&) = delete;
    SafeRewrite& operator=(const SafeRewrite&) = delete;

    void Write(std::string_view bytes);
    // Puts the new content in the target's place and gives the target the
    // attributes, if any are given; otherwise it keeps those it gets.
    void Commit(std::optional<std::uint32_t> attributes);

private:
    std::string NameFor(int number) const;
    void ReplaceTarget();
    void PutBackAfter(const Failure& failure, const std::string& backup);

    Files& files_;
    BusyBudget& busy_;
    std::string target_;
    std::string runTag_;
    int number_ = 0;
    std::string temporary_;
    std::unique_ptr<FileWriter> writer_;
    // Whether the temporary file is no longer this rewrite's to remove: it
    // has taken the target's place, or it is the only copy left.
    bool settled_ = false;
};

// Raised when a replace stopped half way and neither the new file nor the
// old one could be moved back into the target's place: both stay beside it,
// and the next repair's RemoveLeftovers puts the newer one there.
class CopiesLeftBeside : public Failure {
public:
    using Failure::Failure;
};

// Clears away what runs that were killed left of one file in a folder
// (names: the folder's file names, listed once for all its files): the
// temporary files of the names above, and no others. A leftover whose file
// is missing may be its only copy: the newest such leftover takes the file's
// place, and if it cannot, all of them stay and the failure is raised.
void RemoveLeftovers(Files& files, const std::string& folder, const std::vector<std::string>& names,
                     std::string_view file);

}  // namespace resolvo::namefiles
