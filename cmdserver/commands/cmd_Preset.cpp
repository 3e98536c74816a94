// Preset: back to the default network settings, unless a root password is set.
#include "app/services/EmbeddedTarget.h"
#include "cmdserver/CommandServer.h"
#include "config/RootPassword.h"
#include "net/ipConfig.h"

namespace rx_fwk {
namespace {

class cmd_Preset final : public CfgCommand {
public:
    cmd_Preset() { CommandServer::instance().registerCommand(CmdPreset, kProtocolVersion, this); }
    ~cmd_Preset() override { CommandServer::instance().unregisterCommand(this); }

    bool handle(CommandPacket& packet, std::uint32_t) override {
        if (!checkRootPassword("")) {
            packet.command = NAK;
            packet.status = StatusAccessDenied;
            return true;
        }
        nIPStack::ipConfig().clearTCPStackConfig();
        EmbeddedTarget::instance().applyPair(0, 0);
        packet.command = ACK;
        return true;
    }
};

cmd_Preset gPreset;

}  // namespace
}  // namespace rx_fwk
