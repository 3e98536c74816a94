#include "cmdserver/commands/cmd_Firmware.h"

#include <algorithm>
#include <memory>

#include "app/services/EmbeddedTarget.h"
#include "cmdserver/CommandServer.h"
#include "cmdserver/FirmwareHeader.h"
#include "cmdserver/Trace.h"
#include "cmdserver/net/ip_address.h"
#include "cmdserver/net/socket_error.h"
#include "cmdserver/net/stream_server.h"
#include "cmdserver/net/stream_sock.h"
#include "config/RootPassword.h"

namespace rx_fwk {
namespace {

constexpr int kBacklog = 5;
constexpr std::uint32_t kChunkSize = 1024;

using SideConnection = stream_sock<ip_address>;

int seconds(unsigned milliseconds) {
    return static_cast<int>(milliseconds / 1000);
}
int restMilliseconds(unsigned milliseconds) {
    return static_cast<int>(milliseconds % 1000);
}

// One big-endian header field of exactly `size` bytes.
bool readField(SideConnection& side, int size, unsigned wait, std::uint32_t& value) {
    std::uint8_t bytes[4];
    if (side.receive(bytes, size, size, seconds(wait), restMilliseconds(wait)) != size) {
        return false;
    }
    value = 0;
    for (int i = 0; i < size; ++i) {
        value = (value << 8) | bytes[i];
    }
    return true;
}

bool readHeader(SideConnection& side, unsigned wait, FirmwareHeader& header) {
    std::uint32_t code = 0, argument = 0;
    if (!readField(side, 2, wait, code) || !readField(side, 2, wait, argument) ||
        !readField(side, 4, wait, header.targetKey) || !readField(side, 4, wait, header.unused) ||
        !readField(side, 4, wait, header.imageLength)) {
        return false;
    }
    header.targetCode = static_cast<std::uint16_t>(code);
    header.beginArgument = static_cast<std::uint16_t>(argument);
    return true;
}

// Moves the image into the target; false leaves the target aborted (or never begun).
bool transfer(SideConnection& side, cmd_Firmware& firmware) {
    if (!checkRootPassword("")) {
        return false;
    }
    const cmd_Firmware::Waits& waits = firmware.waits();
    FirmwareHeader header{};
    if (!readHeader(side, waits.headerField, header)) {
        return false;
    }
    if (header.targetCode != EmbeddedTarget::instance().targetCode()) {
        return false;
    }
    FirmwareTarget* target = firmware.findTarget(header.targetKey, false);
    if (target == nullptr) {
        return false;
    }
    if (target->busy()) {
        target->abort();
    }
    if (!target->begin(header.beginArgument)) {
        return false;
    }
    std::uint32_t remaining = header.imageLength;
    std::uint8_t chunk[kChunkSize];
    while (remaining > 0) {
        const int want = static_cast<int>(std::min(remaining, kChunkSize));
        const int got =
            side.receive(chunk, want, want, seconds(waits.chunk), restMilliseconds(waits.chunk));
        if (got != want || !target->write(chunk, static_cast<std::size_t>(got))) {
            break;
        }
        remaining -= static_cast<std::uint32_t>(got);
    }
    if (remaining == 0) {
        return target->finish();
    }
    target->abort();
    return false;
}

}  // namespace

cmd_Firmware& cmd_Firmware::instance() {
    static cmd_Firmware firmware;
    return firmware;
}

cmd_Firmware::cmd_Firmware() {
    CommandServer::instance().registerCommand(CmdFirmware, kProtocolVersion, this);
}

cmd_Firmware::~cmd_Firmware() {
    CommandServer::instance().unregisterCommand(this);
}

void cmd_Firmware::addTarget(std::uint32_t key, FirmwareTarget* target) {
    targets_[key] = target;
}

FirmwareTarget* cmd_Firmware::findTarget(std::uint32_t key, bool remove) {
    auto found = targets_.find(key);
    if (found == targets_.end()) {
        return nullptr;
    }
    FirmwareTarget* target = found->second;
    if (remove) {
        targets_.erase(found);
    }
    return target;
}

// Every refusal is a NAK with the request's status: the host tells a refused transfer from
// a completed one by the reply code alone.
bool cmd_Firmware::handle(CommandPacket& packet, std::uint32_t) {
    packet.command = NAK;
    try {
        stream_server<ip_address> listener;
        if (!listener.bind(ip_address(kFirmwareTcpPort, ip_address::NotBroadcast)) ||
            !listener.listen(kBacklog)) {
            throw socket_error();
        }
        const unsigned wait = waits_.accept;
        std::unique_ptr<SideConnection> side;
        if (listener.waitReadable(seconds(wait), restMilliseconds(wait) * 1000L)) {
            side = listener.accept();
        }
        if (side && transfer(*side, *this)) {
            packet.command = ACK;
        }
    } catch (const socket_error& error) {
        trace(1, "Socket error on the firmware side connection: %d\n", error.code());
    }
    return true;
}

namespace {
// Registers the handler during static initialisation.
cmd_Firmware& gFirmware = cmd_Firmware::instance();
}  // namespace

}  // namespace rx_fwk
