// Stray ACK and NAK packets (replies of other controllers) are swallowed without an answer.
#include "cmdserver/CommandServer.h"

namespace rx_fwk {
namespace {

class cmd_Ack final : public CfgCommand {
public:
    cmd_Ack() {
        CommandServer::instance().registerCommand(CmdAck, kProtocolVersion, this);
        CommandServer::instance().registerCommand(CmdNak, kProtocolVersion, this);
    }
    ~cmd_Ack() override { CommandServer::instance().unregisterCommand(this); }

    bool handle(CommandPacket&, std::uint32_t) override { return false; }
};

cmd_Ack gAck;

}  // namespace
}  // namespace rx_fwk
