// The reboot record kept across restarts in "nvdata.bin" (48 bytes, little-endian).
#pragma once

#include <cstddef>
#include <cstdint>

namespace rx_fwk {

enum class RebootKind : std::uint32_t {
    Cleared = 0,
    Requested = 1,  // normal or install reboot
    SystemError = 4,
};

struct RebootRecord {
    static constexpr std::uint32_t kVersion = 3;
    static constexpr std::uint32_t kInstallFlag = 0x1;  // host to notify after the boot
    static constexpr std::size_t kHostSize = 24;

    std::uint32_t version;
    std::uint32_t time;  // seconds since 1970
    std::uint32_t kind;
    std::uint32_t systemErrorReboots;
    std::uint32_t reserved;
    std::uint32_t flags;
    char host[kHostSize];  // NUL-terminated, meaningful with kInstallFlag

    // The fields are stored as on the controller: little-endian, no padding.
    void toBytes(std::uint8_t out[48]) const;
    static RebootRecord fromBytes(const std::uint8_t in[48]);
};

static_assert(sizeof(RebootRecord) == 48);
static_assert(offsetof(RebootRecord, time) == 4);
static_assert(offsetof(RebootRecord, kind) == 8);
static_assert(offsetof(RebootRecord, systemErrorReboots) == 12);
static_assert(offsetof(RebootRecord, reserved) == 16);
static_assert(offsetof(RebootRecord, flags) == 20);
static_assert(offsetof(RebootRecord, host) == 24);

}  // namespace rx_fwk
