// Serial: stores the controller's serial number, given the factory access code. A refusal
// leaves `status` as the request had it.
#include <cstring>

#include "app/services/EmbeddedTarget.h"
#include "cmdserver/AccessCodes.h"
#include "cmdserver/CommandServer.h"

namespace rx_fwk {
namespace {

class cmd_Serial final : public CfgCommand {
public:
    cmd_Serial() { CommandServer::instance().registerCommand(CmdSerial, kProtocolVersion, this); }
    ~cmd_Serial() override { CommandServer::instance().unregisterCommand(this); }

    bool handle(CommandPacket& packet, std::uint32_t) override {
        const bool granted =
            std::memcmp(packet.data, kSerialNumberAccessCode, kSerialNumberAccessCodeLength) == 0;
        packet.command =
            granted && EmbeddedTarget::instance().setSerialNumber(packet.serialNumber) ? ACK : NAK;
        return true;
    }
};

cmd_Serial gSerial;

}  // namespace
}  // namespace rx_fwk
