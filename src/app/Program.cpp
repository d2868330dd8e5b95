#include "app/Program.h"

#include <utility>

namespace resolvo::app {

Program::Program(Platform& platform, std::string runTag)
    : nameFiles_(platform, platform, std::move(runTag)), siteFixer_(platform, nameFiles_), winsockReset_(platform) {
    actions_.Load.Connect([this](MainWindowAccess& window) { winsockReset_.ResetWinsock(window); });
    actions_.FixIt.Connect([this](MainWindowAccess& window) { siteFixer_.RunFix(window); });
    actions_.Shown.Connect([this](MainWindowAccess&) { winsockReset_.TellOutcome(); });
}

}  // namespace resolvo::app
