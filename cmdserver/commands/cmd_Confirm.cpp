// Confirm: an ACK with the request echoed, so a host can check that a controller listens.
#include "cmdserver/CommandServer.h"

namespace rx_fwk {
namespace {

class cmd_Confirm final : public CfgCommand {
public:
    cmd_Confirm() {
        CommandServer::instance().registerCommand(CmdConfirm, kProtocolVersion, this);
    }
    ~cmd_Confirm() override { CommandServer::instance().unregisterCommand(this); }

    bool handle(CommandPacket& packet, std::uint32_t) override {
        packet.command = ACK;
        return true;
    }
};

cmd_Confirm gConfirm;

}  // namespace
}  // namespace rx_fwk
