#include "app/Program.h"

namespace resolvo::app {

Program::Program(Platform& platform)
    : nameFiles_(platform), siteFixer_(platform, nameFiles_), winsockReset_(platform) {
    actions_.Load.Connect([this](MainWindowAccess& window) { winsockReset_.ResetWinsock(window); });
    actions_.FixIt.Connect([this](MainWindowAccess& window) { siteFixer_.RunFix(window); });
}

}  // namespace resolvo::app
