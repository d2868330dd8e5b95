// A failure of the system, or want of memory, skips the step; a fault of the program leaves the procedure.
#include "port/Step.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <string>

#include "port/Failure.h"

namespace resolvo {
namespace {

struct StepCase {
    const char* name;
    std::function<void()> step;
    bool ranToItsEnd;
    bool leavesTheProcedure;
};

TEST(RunStep, SkipsFailedStepsAndLetsFaultsOfTheProgramThrough) {
    const StepCase cases[] = {
        {"a step that succeeds", [] {}, true, false},
        {"a failure of the system", [] { throw Failure("CreateFile", "hosts", error_code::AccessDenied); },
         false, false},
        {"want of memory", [] { throw std::bad_alloc(); }, false, false},
        {"an index out of range", [] { (void)std::string("ab").at(5); }, false, true},
    };
    for (const StepCase& row : cases) {
        SCOPED_TRACE(row.name);
        bool ran = false;
        bool procedureWentOn = false;
        try {
            ran = RunStep(row.step);
            procedureWentOn = true;
        } catch (...) {
        }
        EXPECT_EQ(ran, row.ranToItsEnd);
        EXPECT_EQ(procedureWentOn, !row.leavesTheProcedure);
    }
}

}  // namespace
}  // namespace resolvo
