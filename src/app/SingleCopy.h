#pragma once

#include "win32/Handles.h"

namespace resolvo::app {

// Two copies fixing sites at once would each rewrite the name files from
// what they read, and one fix would be lost. The first copy holds a named
// mutex in the global namespace, seen from every session of the machine.
class SingleCopy {
public:
    SingleCopy() noexcept;

    // False when another copy runs, in this session or another one.
    bool IsFirst() const noexcept { return first_; }
    // Asks the running copy in this session to bring its window to the front.
    static void ActivateRunningCopy() noexcept;

private:
    win32::UniqueKernelHandle mutex_;
    bool first_ = true;
};

}  // namespace resolvo::app
