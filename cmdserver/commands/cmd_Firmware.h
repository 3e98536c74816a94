// Firmware: receives an image over a TCP side connection and hands it to one of the
// platform's firmware targets.
#pragma once

#include <cstdint>
#include <map>

#include "cmdserver/CfgCommand.h"
#include "cmdserver/commands/FirmwareTarget.h"

namespace rx_fwk {

class cmd_Firmware final : public CfgCommand {
public:
    // The handler registered for the firmware command, with the process-wide target map.
    static cmd_Firmware& instance();

    // How long the handler waits, in milliseconds: for the host to connect, for each header
    // field, for each piece of the image.
    struct Waits {
        unsigned accept = 20000;
        unsigned headerField = 10000;
        unsigned chunk = 30000;
    };

    // Runs under the server lock: every other command waits meanwhile.
    bool handle(CommandPacket& packet, std::uint32_t length) override;

    // The platform's targets (not owned), filled before the transports start. A key added
    // again replaces its target.
    void addTarget(std::uint32_t key, FirmwareTarget* target);
    // The target under the key, or none; `remove` also takes it out of the map.
    FirmwareTarget* findTarget(std::uint32_t key, bool remove);

    // Tests shorten the waits.
    void setWaits(const Waits& waits) { waits_ = waits; }
    const Waits& waits() const { return waits_; }

private:
    cmd_Firmware();
    ~cmd_Firmware() override;

    std::map<std::uint32_t, FirmwareTarget*> targets_;
    Waits waits_;
};

}  // namespace rx_fwk
