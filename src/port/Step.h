#pragma once

#include <new>
#include <utility>

#include "port/Failure.h"

namespace resolvo {

// Runs one step of a step-and-continue procedure: a failure of the system
// (or want of memory) ends the step and the procedure goes on with its next
// one. Returns whether the step ran to its end. Any other exception is a
// fault of the program and is not taken for a skipped step: it leaves the
// procedure, for the handler that started it.
template <typename Step>
bool RunStep(Step&& step) {
    try {
        std::forward<Step>(step)();
        return true;
    } catch (const Failure&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace resolvo
