// Requests with chosen field values: the fields are set in host order and the bytes go out
// in network order, as a host sends them.
#pragma once

#include <cstring>
#include <vector>

#include "cmdserver/CommandPacket.h"
#include "config/RootPassword.h"
#include "tests/support/Packets.h"

namespace rx_fwk {

template <class Edit>
void editRequest(std::vector<std::uint8_t>& bytes, Edit edit) {
    CommandPacket packet = lbtest::hostOrder(bytes);
    edit(packet);
    convertPacketByteOrder(packet);
    std::memcpy(bytes.data(), &packet, sizeof packet);
}

// The two copies of the password words.
inline void putPasswordWords(std::vector<std::uint8_t>& bytes, PasswordHash first,
                             PasswordHash second) {
    editRequest(bytes, [&](CommandPacket& p) {
        p.ipAddress = first.first;
        p.subnetMask = first.second;
        p.dnsAddress = second.first;
        p.gateway = second.second;
    });
}

}  // namespace rx_fwk
