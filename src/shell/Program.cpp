#include "shell/Program.h"

namespace resolvo {

Program::Program(Platform& platform)
    : fileHandler_(platform), mainModule_(platform, fileHandler_), winsock_(platform) {
    actions_.Load.Connect([this](MainWindowAccess& window) { winsock_.ResetWinsock(window); });
    actions_.FixIt.Connect([this](MainWindowAccess& window) { mainModule_.RunFix(window); });
}

}  // namespace resolvo
