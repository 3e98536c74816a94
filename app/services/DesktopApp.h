// The generic desktop PC platform: no LED, no switches, reset by restarting the image.
#pragma once

#include "app/services/EmbeddedTarget.h"

namespace rx_fwk {

class DesktopApp final : public EmbeddedTarget {
public:
    std::uint16_t targetCode() override { return 0x719C; }
    std::string targetTypeName() override { return "Generic Desktop PC"; }
    // Bytes 2 to 5 of the primary MAC address, big-endian.
    std::uint32_t serialNumber() override;
    std::uint16_t secondaryTargetCode() override { return 0x0C00; }
    std::string osName() override { return "Quillon"; }
    std::string targetClass() override { return "Desktop"; }
    std::int32_t switchState(int) override { return 2; }
    bool isRescueSwitchOn() override;
    std::int32_t auxiliaryQuery(int) override { return 3; }
    bool setLed(int, bool) override { return false; }
    [[noreturn]] void resetMachine() override;
};

}  // namespace rx_fwk
