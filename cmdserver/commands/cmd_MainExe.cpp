// MainExe (extension 2): the executable that the next normal boot starts.
#include <cstddef>
#include <cstring>
#include <string>

#include "cmdserver/CommandServer.h"
#include "cmdserver/TextTrace.h"
#include "config/ConfigManager.h"

namespace rx_fwk {
namespace {

// The text runs from text1 to its terminator, and never past the end of the packet.
constexpr std::size_t kTextOffset = offsetof(CommandPacket, text1);
constexpr std::size_t kTextMax = kCommandPacketSize - kTextOffset;

class cmd_MainExe final : public CfgCommand {
public:
    cmd_MainExe() { CommandServer::instance().registerCommand(CmdMainExe, kProtocolVersion, this); }
    ~cmd_MainExe() override { CommandServer::instance().unregisterCommand(this); }

    bool handle(CommandPacket& packet, std::uint32_t) override {
        traceText("Received main exe change command\n");
        const char* text = reinterpret_cast<const char*>(&packet) + kTextOffset;
        const std::string path(text, strnlen(text, kTextMax));
        // A value the settings file refuses (a line break would add keys of its own) was
        // not stored, and the host must not be told it was.
        if (ConfigManager::instance().setString("StartUp", "MainExe", path)) {
            packet.command = ACK;
        } else {
            packet.command = NAK;
            packet.status = StatusFailed;
        }
        return true;
    }
};

cmd_MainExe gMainExe;

}  // namespace
}  // namespace rx_fwk
