// The root password's hash as a host sends it: never the password itself, but its two
// words, twice, so that a damaged packet cannot set a password nobody knows.
#pragma once

#include "cmdserver/CommandPacket.h"
#include "config/RootPassword.h"

namespace rx_fwk {

struct PasswordWords {
    // The first copy travels in ipAddress and subnetMask, the second in dnsAddress and gateway.
    explicit PasswordWords(const CommandPacket& packet)
        : first{packet.ipAddress, packet.subnetMask}, second{packet.dnsAddress, packet.gateway} {}

    bool copiesMatch() const {
        return first.first == second.first && first.second == second.second;
    }

    PasswordHash first;
    PasswordHash second;
};

}  // namespace rx_fwk
