// Lock: sets the root password, only while none is set.
#include "cmdserver/CommandServer.h"
#include "cmdserver/commands/PasswordWords.h"
#include "config/RootPassword.h"

namespace rx_fwk {
namespace {

class cmd_Lock final : public CfgCommand {
public:
    cmd_Lock() { CommandServer::instance().registerCommand(CmdLock, kProtocolVersion, this); }
    ~cmd_Lock() override { CommandServer::instance().unregisterCommand(this); }

    bool handle(CommandPacket& packet, std::uint32_t) override {
        const PasswordWords words(packet);
        if (!checkRootPassword("")) {
            refuse(packet, StatusAccessDenied);
        } else if (!words.copiesMatch()) {
            refuse(packet, StatusMismatch);
        } else if (!setRootPasswordHash(words.firstCopy.first, words.firstCopy.second)) {
            refuse(packet, StatusFailed);
        } else {
            packet.command = ACK;
        }
        return true;
    }

private:
    static void refuse(CommandPacket& packet, std::uint32_t status) {
        packet.command = NAK;
        packet.status = status;
    }
};

cmd_Lock gLock;

}  // namespace
}  // namespace rx_fwk
