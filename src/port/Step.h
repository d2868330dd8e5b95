#pragma once

#include <exception>
#include <utility>

namespace resolvo {

// Runs one step of a step-and-continue procedure: a failure ends the step
// and the procedure goes on with its next one. Returns whether the step ran
// to its end.
template <typename Step>
bool RunStep(Step&& step) noexcept {
    try {
        std::forward<Step>(step)();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace resolvo
