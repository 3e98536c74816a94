// The description of the controller the application runs on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace rx_fwk {

class EmbeddedTarget {
public:
    // Always the desktop PC platform on this system.
    static EmbeddedTarget& instance();
    // Tests: answer another platform (null restores the desktop PC); the caller keeps
    // ownership.
    static void install(EmbeddedTarget* target);

    virtual ~EmbeddedTarget() = default;
    virtual void initialize() {}
    virtual std::uint16_t targetCode() = 0;
    virtual std::string targetTypeName() = 0;
    virtual std::uint32_t serialNumber() = 0;
    virtual bool setSerialNumber(std::uint32_t) { return false; }
    virtual std::uint16_t secondaryTargetCode() { return 0; }
    virtual bool optionFlag(std::uint32_t) { return false; }
    virtual std::string osName() = 0;
    virtual std::string targetClass() = 0;
    virtual void queryPair(std::uint32_t& first, std::uint32_t& second) {
        first = 0;
        second = 0;
    }
    virtual void applyPair(std::uint32_t, std::uint32_t) {}
    // The reboot record file; 0 when it cannot be read.
    virtual std::size_t readNVData(void* buffer, std::size_t size);
    // Replaces the file whole (temporary file, flush, rename): a crash leaves the old
    // record or the new one.
    virtual void writeNVData(const void* buffer, std::size_t size);
    virtual std::int32_t switchState(int index) = 0;
    virtual bool isRescueSwitchOn() { return switchState(0) == 1; }
    // Switches 1 to 3.
    virtual bool isSwitchOn(int index) { return switchState(index) == 1; }
    virtual std::int32_t auxiliaryQuery(int index) = 0;
    virtual bool setLed(int index, bool on) = 0;
    virtual bool setMacAddress(const std::uint8_t[6]) { return false; }
    virtual void macAddressOverride(std::uint8_t mac[6]);
    [[noreturn]] virtual void blinkStatusForever(int code);
    virtual void haltOnServiceFailure();
    [[noreturn]] virtual void resetMachine() = 0;

    // Blinks per cycle of blinkStatusForever for a status code.
    static int blinkCount(int code);

protected:
    EmbeddedTarget() = default;

private:
    std::string text_;  // left empty on this platform
};

}  // namespace rx_fwk
