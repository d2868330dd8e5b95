#pragma once

#include "port/MainWindowAccess.h"
#include "port/Platform.h"

namespace resolvo::winsock {

// Backs up the Winsock and Winsock2 service keys, imports known-good
// settings for both and renews the DHCP leases.
class WinsockReset {
public:
    explicit WinsockReset(Platform& platform) : platform_(platform) {}

    void ResetWinsock(MainWindowAccess& window);

private:
    Platform& platform_;
};

}  // namespace resolvo::winsock
