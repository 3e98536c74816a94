// The requests that act on a controller, beside IpConfig: password, reset, protection,
// files, factory data and firmware.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "tools/tesselcfg/PasswordHash.h"
#include "tools/tesselcfg/Protocol.h"

namespace tesselcfg {

// MacAddr, Serial and Firmware refuse without writing `status`: the tool sends this value,
// which no handler sets, so a refusal tells itself apart from the server's NAK 0 for a
// command the controller does not know.
constexpr std::uint32_t kUntouchedStatus = 0xFFFFFFFF;

// The password words go twice: address and mask, then DNS server and gateway.
void putPasswordWords(CommandPacket& packet, const PasswordHash& hash);

CommandPacket makeLock(const MacAddress& mac, const PasswordHash& hash);
CommandPacket makeUnlock(const MacAddress& mac, const PasswordHash& hash);

enum class ResetKind { Normal, Install };
// Without a hash both copies are zeros (equal): the controller looks at them only when its
// reboot protection is on.
CommandPacket makeReset(const MacAddress& mac, ResetKind kind,
                        const std::optional<PasswordHash>& hash);

struct Protection {
    bool protectReboot = false;
    bool haltOnError = true;
};
CommandPacket makeSpConfig(const MacAddress& mac, const Protection& protection);

// The path (Chmod) or executable (MainExe) is a terminated text from offset 28 on, running
// through both text areas and the data area.
constexpr std::size_t kPathCapacity =
    sizeof(CommandPacket::text1) + sizeof(CommandPacket::text2) + sizeof(CommandPacket::data) - 1;
std::string pathProblem(const std::string& path);
enum class FileAccess { ReadOnly, Writable };
CommandPacket makeChmod(const MacAddress& mac, const std::string& path, FileAccess access);
CommandPacket makeMainExe(const MacAddress& mac, const std::string& executable);

CommandPacket makeFactoryMac(const MacAddress& mac, const MacAddress& newMac);
CommandPacket makeFactorySerial(const MacAddress& mac, std::uint32_t serial);

CommandPacket makeFirmwareRequest(const MacAddress& mac);

}  // namespace tesselcfg
