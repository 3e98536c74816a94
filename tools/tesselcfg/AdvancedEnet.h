// AdvancedEnet in the tool: its requests, and the names of its device, media and operation
// modes on the command line and in output.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "cmdserver/AdvancedEnetPayload.h"
#include "tools/tesselcfg/MacAddress.h"
#include "tools/tesselcfg/Protocol.h"

namespace tesselcfg {

// A request for sub-command `sub` to the controller, with the code QueryCaps gave for it.
CommandPacket makeAdvancedEnet(const MacAddress& controller, std::uint8_t code, std::uint32_t sub);
// A device's MAC address at P32 (or P36).
void putDeviceMac(CommandPacket& request, std::size_t offset, const MacAddress& device);
MacAddress deviceMacAt(const CommandPacket& reply, std::size_t offset);

// "disabled", "tcpip", "deterministic"; "mode N" for another code.
std::string deviceModeName(std::uint32_t mode);
// "auto", "10half", "10full", "100half", "100full", "1000half", "1000full" (any case).
std::optional<std::uint32_t> parseMediaMode(const std::string& name);
// The name of one mode; "mode N" for another value.
std::string mediaModeName(std::uint32_t mode);
// The names of every mode of a mask, comma-separated ("none" for 0).
std::string mediaModeList(std::uint32_t mask);
// "interrupt", "polling"; "mode N" for another code.
std::string operationModeName(std::uint32_t mode);

}  // namespace tesselcfg
