// SpQuery: the system state text and the two protection flags.
#include <cstddef>
#include <cstring>

#include "app/services/EmbeddedServices.h"
#include "cmdserver/CommandServer.h"
#include "cmdserver/commands/PacketText.h"
#include "config/ConfigManager.h"
#include "net/ipConfig.h"

namespace rx_fwk {
namespace {

enum SpFlags : std::uint16_t {
    SpHaltOnError = 0x0001,
    SpProtectReboot = 0x0002,
};

// text1, text2 and the first 32 bytes of data hold the state text, always terminated.
constexpr std::size_t kStateArea = 96;
static_assert(offsetof(CommandPacket, text1) + kStateArea <= offsetof(CommandPacket, data) + 32);

class cmd_SpQuery final : public CfgCommand {
public:
    cmd_SpQuery() { CommandServer::instance().registerCommand(CmdSpQuery, kProtocolVersion, this); }
    ~cmd_SpQuery() override { CommandServer::instance().unregisterCommand(this); }

    bool handle(CommandPacket& packet, std::uint32_t) override {
        packet.command = ACK;
        std::uint16_t flags = 0;
        if (nIPStack::ipConfig().getHaltOnError()) {
            flags |= SpHaltOnError;
        }
        if (ConfigManager::instance().getBool("SystemSettings", "Protect_Reboot", false)) {
            flags |= SpProtectReboot;
        }
        packet.flags = flags;
        auto* area = reinterpret_cast<std::uint8_t*>(&packet) + offsetof(CommandPacket, text1);
        putText(area, kStateArea, EmbeddedServices::instance().systemState(), kStateArea - 1);
        return true;
    }
};

cmd_SpQuery gSpQuery;

}  // namespace
}  // namespace rx_fwk
