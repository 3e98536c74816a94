// SpConfig: halt-on-error and reboot protection, unless a root password is set.
#include "cmdserver/CommandServer.h"
#include "config/ConfigManager.h"
#include "config/RootPassword.h"
#include "net/ipConfig.h"

namespace rx_fwk {
namespace {

enum SpFlags : std::uint16_t {
    SpHaltOnError = 0x0001,
    SpProtectReboot = 0x0002,
};

class cmd_SpConfig final : public CfgCommand {
public:
    cmd_SpConfig() {
        CommandServer::instance().registerCommand(CmdSpConfig, kProtocolVersion, this);
    }
    ~cmd_SpConfig() override { CommandServer::instance().unregisterCommand(this); }

    // Failed stores are not reported.
    bool handle(CommandPacket& packet, std::uint32_t) override {
        if (!checkRootPassword("")) {
            packet.command = NAK;
            packet.status = StatusAccessDenied;
            return true;
        }
        packet.command = ACK;
        nIPStack::ipConfig().setHaltOnError((packet.flags & SpHaltOnError) != 0);
        ConfigManager::instance().setBool("SystemSettings", "Protect_Reboot",
                                          (packet.flags & SpProtectReboot) != 0);
        return true;
    }
};

cmd_SpConfig gSpConfig;

}  // namespace
}  // namespace rx_fwk
