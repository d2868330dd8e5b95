#pragma once

#include "platform/Platform.h"
#include "shell/FormActions.h"

namespace resolvo {

// Backs up the Winsock and Winsock2 service keys, imports known-good
// settings for both and renews the DHCP leases.
class Winsock {
public:
    explicit Winsock(Platform& platform) : platform_(platform) {}

    void ResetWinsock(MainWindowAccess& window);

private:
    Platform& platform_;
};

}  // namespace resolvo
