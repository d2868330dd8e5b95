#include "fix/MainModule.h"
// PLACEHOLDER: being written.
namespace resolvo {
void MainModule::RunFix(MainWindowAccess&) { (void)platform_; (void)fileHandler_; }
}  // namespace resolvo
