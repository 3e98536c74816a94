#include "tools/tesselcfg/Requests.h"

#include <algorithm>
#include <cstring>

#include "cmdserver/AccessCodes.h"
#include "tools/tesselcfg/TextRules.h"

namespace tesselcfg {
namespace {

constexpr std::uint32_t kInstallReboot = 2;

enum SpConfigFlags : std::uint16_t {
    SpHaltOnError = 0x0001,
    SpProtectReboot = 0x0002,
};

void putPath(CommandPacket& p, const std::string& path) {
    auto* area = reinterpret_cast<char*>(&p) + offsetof(CommandPacket, text1);
    std::memcpy(area, path.data(), std::min(path.size(), kPathCapacity));
}

}  // namespace

static_assert(offsetof(CommandPacket, commentFormat) - offsetof(CommandPacket, text1) ==
              kPathCapacity + 1);

void putPasswordWords(CommandPacket& p, const PasswordHash& hash) {
    p.ipAddress = hash.first;
    p.subnetMask = hash.second;
    p.dnsAddress = hash.first;
    p.gateway = hash.second;
}

CommandPacket makeLock(const MacAddress& mac, const PasswordHash& hash) {
    CommandPacket p = makeRequest(rx_fwk::CmdLock, mac);
    putPasswordWords(p, hash);
    return p;
}

CommandPacket makeUnlock(const MacAddress& mac, const PasswordHash& hash) {
    CommandPacket p = makeRequest(rx_fwk::CmdUnlock, mac);
    putPasswordWords(p, hash);
    return p;
}

CommandPacket makeReset(const MacAddress& mac, ResetKind kind,
                        const std::optional<PasswordHash>& hash) {
    CommandPacket p = makeRequest(rx_fwk::CmdReset, mac);
    if (hash) {
        putPasswordWords(p, *hash);
    }
    p.status = kind == ResetKind::Install ? kInstallReboot : 0;
    return p;
}

CommandPacket makeSpConfig(const MacAddress& mac, const Protection& protection) {
    CommandPacket p = makeRequest(rx_fwk::CmdSpConfig, mac);
    p.flags = static_cast<std::uint16_t>((protection.haltOnError ? SpHaltOnError : 0) |
                                         (protection.protectReboot ? SpProtectReboot : 0));
    return p;
}

std::string pathProblem(const std::string& path) {
    return textProblem(path, kPathCapacity, "path");
}

CommandPacket makeChmod(const MacAddress& mac, const std::string& path, FileAccess access) {
    CommandPacket p = makeRequest(rx_fwk::CmdChmod, mac);
    putPath(p, path);
    p.status = access == FileAccess::ReadOnly ? 1 : 0;
    return p;
}

CommandPacket makeMainExe(const MacAddress& mac, const std::string& executable) {
    CommandPacket p = makeRequest(rx_fwk::CmdMainExe, mac);
    putPath(p, executable);
    return p;
}

CommandPacket makeFactoryMac(const MacAddress& mac, const MacAddress& newMac) {
    CommandPacket p = makeRequest(rx_fwk::CmdMacAddr, mac);
    std::memcpy(p.data, rx_fwk::kMacAddressAccessCode, rx_fwk::kMacAddressAccessCodeLength);
    std::memcpy(p.text2, newMac.data(), newMac.size());
    p.status = kUntouchedStatus;
    return p;
}

CommandPacket makeFactorySerial(const MacAddress& mac, std::uint32_t serial) {
    CommandPacket p = makeRequest(rx_fwk::CmdSerial, mac);
    std::memcpy(p.data, rx_fwk::kSerialNumberAccessCode, rx_fwk::kSerialNumberAccessCodeLength);
    p.serialNumber = serial;
    p.status = kUntouchedStatus;
    return p;
}

CommandPacket makeFirmwareRequest(const MacAddress& mac) {
    CommandPacket p = makeRequest(rx_fwk::CmdFirmware, mac);
    p.status = kUntouchedStatus;
    return p;
}

}  // namespace tesselcfg
