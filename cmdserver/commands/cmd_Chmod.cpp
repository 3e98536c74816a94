// Chmod (extension 1): sets or clears the read-only attribute of a file on drive C:. Not
// guarded by the root password.
#include <algorithm>
#include <cstddef>
#include <string>

#include "app/services/FileSystem.h"
#include "app/services/JoinPath.h"
#include "app/services/ReadOnlyAttribute.h"
#include "cmdserver/CommandServer.h"

namespace rx_fwk {
namespace {

constexpr std::uint32_t kReadOnly = 1;

// The host's path, taken below the root of C:. A path that names C: itself is taken from
// its root; one that names another drive keeps its colon, which no name on C: may hold, so
// it is refused like any malformed name. ".." stops at the root, and links resolve inside
// the drive, so nothing outside C: is reached.
std::string pathOnDriveC(std::string path) {
    if (path.size() >= 2 && (path[0] == 'C' || path[0] == 'c') && path[1] == ':') {
        path.erase(0, 2);
    }
    joinPath(path, FileSystem::rootDirectory());
    return path;
}

class cmd_Chmod final : public CfgCommand {
public:
    cmd_Chmod() { CommandServer::instance().registerCommand(CmdChmod, kProtocolVersion, this); }
    ~cmd_Chmod() override { CommandServer::instance().unregisterCommand(this); }

    bool handle(CommandPacket& packet, std::uint32_t) override {
        // The text starts in text1 and may run on into text2 and data, but not past the packet.
        const char* begin = reinterpret_cast<const char*>(&packet) + offsetof(CommandPacket, text1);
        const char* end = reinterpret_cast<const char*>(&packet) + sizeof packet;
        const char* terminator = std::find(begin, end, '\0');
        const bool wellFormed = terminator != end && terminator != begin;
        if (wellFormed &&
            setReadOnly(pathOnDriveC(std::string(begin, terminator)), packet.status == kReadOnly)) {
            packet.command = ACK;
        } else {
            packet.command = NAK;
            packet.status = StatusFailed;
        }
        return true;
    }
};

cmd_Chmod gChmod;

}  // namespace
}  // namespace rx_fwk
