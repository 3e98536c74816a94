// The root password's hash as a host sends it: never the password itself, but its two
// words, twice, so that a damaged packet cannot set a password nobody knows.
#pragma once

#include "cmdserver/CommandPacket.h"
#include "config/RootPassword.h"

namespace rx_fwk {

struct PasswordWords {
    // The first copy travels in ipAddress and subnetMask, the second in dnsAddress and gateway.
    explicit PasswordWords(const CommandPacket& packet)
        : firstCopy{packet.ipAddress, packet.subnetMask},
          secondCopy{packet.dnsAddress, packet.gateway} {}

    bool copiesMatch() const {
        return firstCopy.first == secondCopy.first && firstCopy.second == secondCopy.second;
    }

    PasswordHash firstCopy;  // the one the handlers use
    PasswordHash secondCopy;
};

}  // namespace rx_fwk
