// QueryCaps: the extension identifier of each code 0xF0..0xFE, so that a host finds the
// code of an extension by its identifier.
#include "cmdserver/CommandServer.h"

namespace rx_fwk {
namespace {

constexpr std::uint16_t kCapsFlags = 0x006F;

class cmd_QueryCaps final : public CfgCommand {
public:
    cmd_QueryCaps() {
        CommandServer::instance().registerCommand(CmdQueryCaps, kProtocolVersion, this);
    }
    ~cmd_QueryCaps() override { CommandServer::instance().unregisterCommand(this); }

    bool handle(CommandPacket& packet, std::uint32_t) override {
        packet.command = QueryCapsReply;
        packet.flags = kCapsFlags;
        CommandServer& server = CommandServer::instance();
        // `data` is never converted by the server: the numbers go in big-endian here.
        for (std::size_t i = 0; i < kExtensionCodeCount; ++i) {
            const std::uint32_t id =
                server.capabilityForCode(static_cast<std::uint8_t>(kFirstExtensionCode + i));
            packet.data[4 * i] = static_cast<std::uint8_t>(id >> 24);
            packet.data[4 * i + 1] = static_cast<std::uint8_t>(id >> 16);
            packet.data[4 * i + 2] = static_cast<std::uint8_t>(id >> 8);
            packet.data[4 * i + 3] = static_cast<std::uint8_t>(id);
        }
        return true;
    }
};

cmd_QueryCaps gQueryCaps;

}  // namespace
}  // namespace rx_fwk
