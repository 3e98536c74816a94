// Base of every command handler: rewrites a request packet in place into its reply.
#pragma once

#include <cstdint>

#include "cmdserver/CommandPacket.h"

namespace rx_fwk {

class CfgCommand {
public:
    virtual ~CfgCommand() = default;

    // Called with the packet in host order and length 184. True sends the packet back.
    virtual bool handle(CommandPacket& packet, std::uint32_t length) = 0;

protected:
    CfgCommand() = default;
    CfgCommand(const CfgCommand&) = delete;
    CfgCommand& operator=(const CfgCommand&) = delete;
};

}  // namespace rx_fwk
