#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "port/Failure.h"
#include "port/Platform.h"

namespace resolvo::namefiles {

// The DNS Client service and virus scanners open the name files for a
// moment, above all just after a new file appears beside them. A file
// operation that finds its file busy is tried again after growing pauses,
// 2.27 s in all, in which the windows keep painting; then the failure stands.
inline constexpr int BusyRetryDelaysMs[] = {10, 20, 40, 80, 160, 320, 640, 1000};

// Sharing and lock violations, and access denied, which is what Windows
// answers for a file that is being deleted or replaced at that moment.
bool IsBusy(const Failure& failure) noexcept;

template <typename Operation>
decltype(auto) WhileBusy(Files& files, Operation&& operation) {
    for (const int delay : BusyRetryDelaysMs) {
        try {
            return operation();
        } catch (const Failure& failure) {
            if (!IsBusy(failure)) {
                throw;
            }
        }
        files.Pause(delay);
    }
    return operation();
}

// Rewrites a file without ever leaving it emptied or half written: the new
// lines go to a temporary file beside it, which takes the file's place in one
// step once it is complete. Until then the file is left as it was, and a
// rewrite that is dropped uncommitted removes its temporary file.
class SafeRewrite {
public:
    // Every temporary file's name ends so; what a killed run left behind is
    // found by it.
    static constexpr std::string_view TemporarySuffix = ".resolvo.tmp";

    // Creates the temporary file, under a name of the run's own (runTag) that
    // no file has yet.
    SafeRewrite(Files& files, std::string target, std::string_view runTag);
    ~SafeRewrite();
    SafeRewrite(const SafeRewrite&) = delete;
    SafeRewrite& operator=(const SafeRewrite&) = delete;

    void WriteLine(std::string_view text);
    // Puts the new content in the target's place and gives the target the
    // attributes, if any are given; otherwise it keeps those it gets.
    void Commit(std::optional<std::uint32_t> attributes);

private:
    Files& files_;
    std::string target_;
    std::string temporary_;
    std::unique_ptr<LineWriter> writer_;
    bool moved_ = false;
};

// Removes the temporary files that runs which were killed left in a folder.
void RemoveLeftovers(Files& files, const std::string& folder);

}  // namespace resolvo::namefiles
