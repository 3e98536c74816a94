// The firmware side connection: the TCP port a host connects to after a Firmware request,
// and the header it sends before the image. Shared by the image and the host tool.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace rx_fwk {

// TCP; the UDP command socket uses the same number in the UDP space.
constexpr std::uint16_t kFirmwareTcpPort = 44515;

// Every field travels big-endian; the image bytes follow the header directly.
#pragma pack(push, 1)
struct FirmwareHeader {
    std::uint16_t targetCode;     // must equal the controller's target code
    std::uint16_t beginArgument;  // handed to the firmware target's begin
    std::uint32_t targetKey;      // selects the firmware target
    std::uint32_t unused;
    std::uint32_t imageLength;  // bytes of image after the header
};
#pragma pack(pop)

constexpr std::size_t kFirmwareHeaderSize = 16;

static_assert(sizeof(FirmwareHeader) == kFirmwareHeaderSize);
static_assert(offsetof(FirmwareHeader, targetCode) == 0);
static_assert(offsetof(FirmwareHeader, beginArgument) == 2);
static_assert(offsetof(FirmwareHeader, targetKey) == 4);
static_assert(offsetof(FirmwareHeader, unused) == 8);
static_assert(offsetof(FirmwareHeader, imageLength) == 12);

// The header as a host sends it.
inline std::array<std::uint8_t, kFirmwareHeaderSize> encodeFirmwareHeader(
    const FirmwareHeader& header) {
    std::array<std::uint8_t, kFirmwareHeaderSize> bytes{};
    auto put = [&bytes](std::size_t offset, std::uint32_t value, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i) {
            bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * (size - 1 - i)));
        }
    };
    put(offsetof(FirmwareHeader, targetCode), header.targetCode, 2);
    put(offsetof(FirmwareHeader, beginArgument), header.beginArgument, 2);
    put(offsetof(FirmwareHeader, targetKey), header.targetKey, 4);
    put(offsetof(FirmwareHeader, unused), header.unused, 4);
    put(offsetof(FirmwareHeader, imageLength), header.imageLength, 4);
    return bytes;
}

}  // namespace rx_fwk
