// IpConfig: host name, comment, IP settings and the platform pair, unless a root password
// is set.
#include <algorithm>
#include <string>

#include "app/services/EmbeddedTarget.h"
#include "cmdserver/CommandServer.h"
#include "cmdserver/commands/CommentText.h"
#include "cmdserver/commands/PacketText.h"
#include "config/ConfigManager.h"
#include "config/RootPassword.h"
#include "net/ipConfig.h"

namespace rx_fwk {
namespace {

enum IpConfigFlags : std::uint16_t {
    IpStatic = 0x0010,       // clear: DHCP
    IpKeepAddress = 0x0080,  // with IpStatic: leave the IP settings as they are
};

class cmd_IpConfig final : public CfgCommand {
public:
    cmd_IpConfig() {
        CommandServer::instance().registerCommand(CmdIpConfig, kProtocolVersion, this);
    }
    ~cmd_IpConfig() override { CommandServer::instance().unregisterCommand(this); }

    // A store that fails (or is refused) is not reported: the reply is ACK once the password
    // check has passed.
    bool handle(CommandPacket& packet, std::uint32_t) override {
        if (!checkRootPassword("")) {
            packet.command = NAK;
            packet.status = StatusAccessDenied;
            return true;
        }
        nIPStack::iIPConfig& config = nIPStack::ipConfig();
        const char* name = packet.text2;
        config.setHostName(std::string(name, std::find(name, name + sizeof packet.text2, '\0')));

        // All 64 bytes, trailing zeros included.
        ConfigManager& settings = ConfigManager::instance();
        settings.setString("SystemSettings", "Comment",
                           encodeCommentText(packet.data, sizeof packet.data));
        settings.setInt("SystemSettings", "Comment_Format", packet.commentFormat);

        if ((packet.flags & IpStatic) == 0) {
            config.setTCPStackConfig(true, "", "", "", "");
        } else if ((packet.flags & IpKeepAddress) == 0) {
            config.setTCPStackConfig(
                false, dottedAddressText(packet.ipAddress), dottedAddressText(packet.subnetMask),
                dottedAddressText(packet.gateway), dottedAddressText(packet.dnsAddress));
        }
        EmbeddedTarget::instance().applyPair(packet.status, packet.extra);
        packet.command = ACK;
        return true;
    }
};

cmd_IpConfig gIpConfig;

}  // namespace
}  // namespace rx_fwk
