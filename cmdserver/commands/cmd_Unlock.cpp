// Unlock: clears the root password when the words match it.
#include "cmdserver/CommandServer.h"
#include "cmdserver/commands/PasswordWords.h"
#include "config/RootPassword.h"

namespace rx_fwk {
namespace {

class cmd_Unlock final : public CfgCommand {
public:
    cmd_Unlock() { CommandServer::instance().registerCommand(CmdUnlock, kProtocolVersion, this); }
    ~cmd_Unlock() override { CommandServer::instance().unregisterCommand(this); }

    bool handle(CommandPacket& packet, std::uint32_t) override {
        if (checkRootPassword("")) {
            packet.command = ACK;  // nothing to unlock: the words are not looked at
            return true;
        }
        const PasswordWords words(packet);
        if (!words.copiesMatch()) {
            refuse(packet, StatusMismatch);
        } else if (clearRootPassword(words.firstCopy.first, words.firstCopy.second)) {
            packet.command = ACK;
        } else if (verifyRootPasswordHash(words.firstCopy.first, words.firstCopy.second)) {
            // The right password, but the removal did not reach the file: the controller
            // stays locked, and the host must not blame the password.
            refuse(packet, StatusFailed);
        } else {
            refuse(packet, StatusAccessDenied);
        }
        return true;
    }

private:
    static void refuse(CommandPacket& packet, std::uint32_t status) {
        packet.command = NAK;
        packet.status = status;
    }
};

cmd_Unlock gUnlock;

}  // namespace
}  // namespace rx_fwk
