#pragma once

#include <string>

#include "port/MainWindowAccess.h"
#include "port/Platform.h"

namespace resolvo::winsock {

// Backs up the Winsock and Winsock2 service keys, imports known-good
// settings for both, reads them back and renews the DHCP leases.
class WinsockReset {
public:
    explicit WinsockReset(Platform& platform) : platform_(platform) {}

    void ResetWinsock(MainWindowAccess& window);
    // Says, once the main window is on screen, that the reset did not take
    // effect, where it did not.
    void TellOutcome();

private:
    Platform& platform_;
    std::string outcome_;  // empty where there is nothing to tell
};

}  // namespace resolvo::winsock
