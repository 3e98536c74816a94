// Discovery: every controller answers a broadcast Ping with its identity, network settings
// and protection state.
#include <cstring>
#include <string>

#include "app/services/EmbeddedTarget.h"
#include "cmdserver/CommandServer.h"
#include "cmdserver/Trace.h"
#include "cmdserver/commands/CommentText.h"
#include "cmdserver/commands/PacketText.h"
#include "config/ConfigManager.h"
#include "config/RootPassword.h"
#include "net/NetworkInfo.h"
#include "net/ipConfig.h"

namespace rx_fwk {
namespace {

constexpr std::uint16_t kDefaultCommentFormat = 512;

enum PingFlags : std::uint16_t {
    PingLocked = 0x0001,
    PingIPConfigured = 0x0002,
    PingAlways = 0x0044,
    PingDhcp = 0x0008,
    PingStatic = 0x0010,
};

void putComment(CommandPacket& packet) {
    ConfigManager& settings = ConfigManager::instance();
    const std::string comment = settings.getString("SystemSettings", "Comment", "");
    if (comment.empty()) {
        packet.commentFormat = kDefaultCommentFormat;
        packet.data[0] = 0;
        return;
    }
    packet.commentFormat = static_cast<std::uint16_t>(
        settings.getInt("SystemSettings", "Comment_Format", kDefaultCommentFormat));
    if (!decodeCommentText(comment, packet.data, sizeof packet.data)) {
        trace(1, "*** ERROR, could not fit comment into buffer.\n");
    }
}

class cmd_Ping final : public CfgCommand {
public:
    cmd_Ping() { CommandServer::instance().registerCommand(CmdPing, kProtocolVersion, this); }
    ~cmd_Ping() override { CommandServer::instance().unregisterCommand(this); }

    bool handle(CommandPacket& packet, std::uint32_t) override {
        EmbeddedTarget& target = EmbeddedTarget::instance();
        NetworkInfo& network = NetworkInfo::instance();
        nIPStack::iIPConfig& config = nIPStack::ipConfig();
        packet.command = ACK;
        packet.targetCode = target.targetCode();
        packet.secondaryCode = target.secondaryTargetCode();
        packet.serialNumber = target.serialNumber();
        std::uint8_t mac[6] = {};
        network.getFirstMACAddress(mac);
        std::memcpy(packet.macAddress, mac, sizeof mac);
        putText(packet.text1, sizeof packet.text1, target.targetTypeName(),
                sizeof packet.text1 - 1);
        std::string hostName;
        putText(packet.text2, sizeof packet.text2, config.getHostName(hostName),
                sizeof packet.text2);
        putComment(packet);

        bool dhcp = false;
        std::string address, mask, gateway, dns;
        network.getIPSettings(&dhcp, &address, &mask, &gateway, &dns);
        packet.ipAddress = dottedAddressValue(address);
        packet.subnetMask = dottedAddressValue(mask);
        packet.gateway = dottedAddressValue(gateway);
        packet.dnsAddress = dottedAddressValue(dns);

        std::uint32_t first = 0, second = 0;
        target.queryPair(first, second);
        packet.status = first;
        packet.extra = second;

        std::uint16_t flags = PingAlways;
        if (!checkRootPassword("")) {
            flags |= PingLocked;
        }
        if (config.isIPConfigured()) {
            flags |= PingIPConfigured;
        }
        flags |= dhcp ? PingDhcp : PingStatic;
        packet.flags = flags;
        return true;
    }
};

cmd_Ping gPing;

}  // namespace
}  // namespace rx_fwk
