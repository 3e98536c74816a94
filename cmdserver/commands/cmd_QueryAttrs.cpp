// QueryAttrs (extension 7): named attributes of the controller, "os" and "class".
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <string>

#include "app/services/EmbeddedTarget.h"
#include "cmdserver/CommandServer.h"
#include "cmdserver/commands/PacketText.h"

namespace rx_fwk {
namespace {

constexpr std::uint32_t kQueryAttrsExtension = 7;
constexpr std::size_t kNameArea = sizeof(CommandPacket::text1) + sizeof(CommandPacket::text2);

class cmd_QueryAttrs final : public CfgCommand {
public:
    cmd_QueryAttrs() {
        std::uint8_t code = 0;
        CommandServer& server = CommandServer::instance();
        if (server.allocateExtensionCode(kQueryAttrsExtension, code)) {
            server.registerCommand(code, kProtocolVersion, this);
        }
    }
    ~cmd_QueryAttrs() override { CommandServer::instance().unregisterCommand(this); }

    bool handle(CommandPacket& packet, std::uint32_t) override {
        packet.command = ACK;
        // The name spans text1 and text2.
        static_assert(offsetof(CommandPacket, text2) ==
                      offsetof(CommandPacket, text1) + sizeof(CommandPacket::text1));
        const char* area = reinterpret_cast<const char*>(&packet) + offsetof(CommandPacket, text1);
        std::string name(area, std::find(area, area + kNameArea, '\0'));
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) {
            return static_cast<char>(std::tolower(c));
        });
        EmbeddedTarget& target = EmbeddedTarget::instance();
        if (name == "os") {
            putText(packet.data, sizeof packet.data, target.osName(), sizeof packet.data);
        } else if (name == "class") {
            putText(packet.data, sizeof packet.data, target.targetClass(), sizeof packet.data);
        } else {
            packet.command = NAK;
            packet.status = StatusUnsupported;
        }
        return true;
    }
};

cmd_QueryAttrs gQueryAttrs;

}  // namespace
}  // namespace rx_fwk
