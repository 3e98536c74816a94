#include "app/services/RebootRecord.h"

#include <cstring>

namespace rx_fwk {
namespace {

void putLe32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::uint32_t getLe32(const std::uint8_t* at) {
    return std::uint32_t{at[0]} | (std::uint32_t{at[1]} << 8) | (std::uint32_t{at[2]} << 16) |
           (std::uint32_t{at[3]} << 24);
}

}  // namespace

void RebootRecord::toBytes(std::uint8_t out[48]) const {
    putLe32(out + offsetof(RebootRecord, version), version);
    putLe32(out + offsetof(RebootRecord, time), time);
    putLe32(out + offsetof(RebootRecord, kind), kind);
    putLe32(out + offsetof(RebootRecord, systemErrorReboots), systemErrorReboots);
    putLe32(out + offsetof(RebootRecord, reserved), reserved);
    putLe32(out + offsetof(RebootRecord, flags), flags);
    std::memcpy(out + offsetof(RebootRecord, host), host, kHostSize);
}

RebootRecord RebootRecord::fromBytes(const std::uint8_t in[48]) {
    RebootRecord r{};
    r.version = getLe32(in + offsetof(RebootRecord, version));
    r.time = getLe32(in + offsetof(RebootRecord, time));
    r.kind = getLe32(in + offsetof(RebootRecord, kind));
    r.systemErrorReboots = getLe32(in + offsetof(RebootRecord, systemErrorReboots));
    r.reserved = getLe32(in + offsetof(RebootRecord, reserved));
    r.flags = getLe32(in + offsetof(RebootRecord, flags));
    std::memcpy(r.host, in + offsetof(RebootRecord, host), kHostSize);
    r.host[kHostSize - 1] = '\0';
    return r;
}

}  // namespace rx_fwk
