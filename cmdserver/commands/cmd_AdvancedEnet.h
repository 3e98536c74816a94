// AdvancedEnet (extension identifier 6): per-device Ethernet settings and stack limits. The
// IP stack service makes it during its one-time initialisation; it takes its code then.
#pragma once

#include <cstdint>

#include "cmdserver/CfgCommand.h"
#include "net/iMultiDeviceIPConfig.h"
#include "net/iMultiDeviceIPStack.h"

namespace rx_fwk {

class cmd_AdvancedEnet final : public CfgCommand {
public:
    // Takes the code of identifier 6 and registers with the process-wide server.
    cmd_AdvancedEnet(nIPStack::iMultiDeviceIPConfig& config, nIPStack::iMultiDeviceIPStack& stack);
    ~cmd_AdvancedEnet() override;

    // The sub-command is `extra`; its payload is cmdserver/AdvancedEnetPayload.h's.
    bool handle(CommandPacket& packet, std::uint32_t length) override;

    // 0 when no code was free.
    std::uint8_t code() const { return code_; }

private:
    void run(std::uint32_t subCommand, CommandPacket& packet);

    nIPStack::iMultiDeviceIPConfig& config_;
    nIPStack::iMultiDeviceIPStack& stack_;
    std::uint8_t code_ = 0;
};

}  // namespace rx_fwk
