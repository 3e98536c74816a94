// MacAddr: stores the controller's MAC address, given the factory access code. A refusal
// leaves `status` as the request had it.
#include <cstring>

#include "app/services/EmbeddedTarget.h"
#include "cmdserver/AccessCodes.h"
#include "cmdserver/CommandServer.h"

namespace rx_fwk {
namespace {

class cmd_MacAddr final : public CfgCommand {
public:
    cmd_MacAddr() { CommandServer::instance().registerCommand(CmdMacAddr, kProtocolVersion, this); }
    ~cmd_MacAddr() override { CommandServer::instance().unregisterCommand(this); }

    bool handle(CommandPacket& packet, std::uint32_t) override {
        std::uint8_t mac[6];
        std::memcpy(mac, packet.text2, sizeof mac);
        const bool granted =
            std::memcmp(packet.data, kMacAddressAccessCode, kMacAddressAccessCodeLength) == 0;
        packet.command = granted && EmbeddedTarget::instance().setMacAddress(mac) ? ACK : NAK;
        return true;
    }
};

cmd_MacAddr gMacAddr;

}  // namespace
}  // namespace rx_fwk
