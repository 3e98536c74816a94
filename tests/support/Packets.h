// Request packets as a host sends them (network order), for transport and handler tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "cmdserver/CommandPacket.h"

namespace lbtest {

// A request with every byte set to a recognisable value first, so that tests can see which
// bytes a reply echoes.
inline std::vector<std::uint8_t> requestBytes(std::uint8_t command,
                                              const std::uint8_t* mac = nullptr) {
    std::vector<std::uint8_t> bytes(rx_fwk::kCommandPacketSize);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    bytes[0] = rx_fwk::kPacketMagic0;
    bytes[1] = rx_fwk::kPacketMagic1;
    bytes[2] = command;
    bytes[5] = rx_fwk::kProtocolVersion;
    static const std::uint8_t kZero[6] = {};
    std::memcpy(&bytes[14], mac != nullptr ? mac : kZero, 6);
    return bytes;
}

// The reply in host order.
inline rx_fwk::CommandPacket hostOrder(const std::vector<std::uint8_t>& bytes) {
    rx_fwk::CommandPacket p;
    std::memcpy(&p, bytes.data(), sizeof p);
    rx_fwk::convertPacketByteOrder(p);
    return p;
}

}  // namespace lbtest
