#include "cmdserver/CommandServer.h"

#include <cstring>
#include <exception>

#include "app/services/PlatformExpert.h"
#include "cmdserver/MasterProducer.h"
#include "cmdserver/Trace.h"
#include "cmdserver/commands/cmd_Firmware.h"
#include "cmdserver/commands/cmd_Reset.h"
#include "cmdserver/net/socket_error.h"
#include "config/CriticalSectionLock.h"
#include "config/SettingsReadScope.h"
#include "net/ipStack.h"

namespace rx_fwk {
namespace {

constexpr std::size_t extensionIndex(std::uint8_t code) {
    return code - kFirstExtensionCode;
}

// Identifiers of the fixed extension codes, recorded when a handler takes the code.
std::uint32_t fixedExtensionId(std::uint8_t code) {
    switch (code) {
        case 0xF0:
            return 1;
        case 0xF1:
            return 2;
        case 0xF2:
            return 3;
        case 0xF3:
            return 4;
        case 0xFE:
            return 5;
        default:
            return 0;
    }
}

constexpr std::uint8_t kFirstAllocatableCode = 0xF4;
constexpr std::uint8_t kLastAllocatableCode = 0xFD;

}  // namespace

CommandServer& CommandServer::instance() {
    // Handlers register from static constructors; the server lives until the restart.
    static CommandServer* server = new CommandServer();
    return *server;
}

CommandServer::CommandServer() {
    InitializeCriticalSection(&lock_);
    for (unsigned code = kFirstAllocatableCode; code <= kLastAllocatableCode; ++code) {
        extensionFree_[extensionIndex(static_cast<std::uint8_t>(code))] = true;
    }
}

CommandServer::~CommandServer() {
    stop();
    DeleteCriticalSection(&lock_);
}

bool CommandServer::start() {
    trace(3, "Bringing up command server...\n");
    PlatformExpert::instance().registerFirmwareTargets(cmd_Firmware::instance());
    if (masterProducer_) {
        return false;
    }
    try {
        trace(9, "Creating master producer.\n");
        std::unique_ptr<PacketProducer> producer = makeMasterProducer();
        trace(9, "Setting consumer.\n");
        producer->setConsumer(this);
        masterProducer_ = std::move(producer);
    } catch (const socket_error& error) {
        trace(1, "Socket error bringing up CommandServer: %d\n", error.code());
        masterProducer_.reset();
        return false;
    } catch (const std::exception& error) {
        trace(1, "std::exception: %s", error.what());
        masterProducer_.reset();
        return false;
    }
    trace(9, "Done bringing up command server.\n");
    return true;
}

bool CommandServer::stop() {
    // A reset still in its wait ends without a restart (a power-off stops the server this
    // way): first the one accepted before, then one accepted while the transports stopped.
    const bool ownsReset = this == &instance();
    if (ownsReset) {
        cmd_Reset::instance().cancel();
    }
    // Destroying the producer stops and joins the transport threads.
    masterProducer_.reset();
    if (ownsReset) {
        cmd_Reset::instance().cancel();
    }
    return true;
}

bool CommandServer::isRunning() {
    return masterProducer_ != nullptr;
}

bool CommandServer::consume(std::uint8_t* buffer, std::uint32_t& length, const char* sender) {
    if (length != kCommandPacketSize) {
        return false;
    }
    trace(5, "Packet length is good.\n");

    CommandPacket packet;
    std::memcpy(&packet, buffer, sizeof packet);
    convertPacketByteOrder(packet);

    if (packet.version != kProtocolVersion || packet.magic[0] != kPacketMagic0 ||
        packet.magic[1] != kPacketMagic1) {
        return false;
    }
    trace(5, "Packet is valid, command = 0x%02x\n", packet.command);

    std::uint8_t ownMac[6] = {};
    nIPStack::tMACAddress first;
    if (nIPStack::ipStack().getFirstMACAddress(first)) {
        first.copyTo(ownMac);
    }
    static const std::uint8_t kNoMac[6] = {};
    const bool discovery =
        packet.command == CmdPing && std::memcmp(packet.macAddress, kNoMac, 6) == 0;
    if (!discovery && std::memcmp(packet.macAddress, ownMac, 6) != 0) {
        return false;
    }
    trace(5, "Packet MAC address matches.\n");

    SettingsReadScope reads;  // one state of each settings file per request
    // Released however the handler leaves, a throw included.
    CriticalSectionLock hold(lock_);
    currentPeer_ = sender != nullptr ? sender : "";
    bool reply;
    auto entry = handlers_.find(packet.command);
    if (entry == handlers_.end() || entry->second.highestVersion < packet.version) {
        trace(3, "Command not supported, NAK'ing\n");
        packet.command = NAK;
        packet.status = StatusUnsupported;
        reply = true;
    } else {
        reply = entry->second.handler->handle(packet, length);
        trace(5, "Command handler returned a %s\n", reply ? "true" : "false");
    }
    if (reply) {
        convertPacketByteOrder(packet);
        std::memcpy(buffer, &packet, sizeof packet);
    }
    return reply;
}

bool CommandServer::registerCommand(std::uint8_t code, std::uint8_t highestVersion,
                                    CfgCommand* handler) {
    if (!handlers_.emplace(code, HandlerEntry{handler, highestVersion}).second) {
        return false;
    }
    if (std::uint32_t id = fixedExtensionId(code); id != 0) {
        extensionIds_[extensionIndex(code)] = id;
    }
    return true;
}

void CommandServer::unregisterCommand(CfgCommand* handler) {
    for (auto it = handlers_.begin(); it != handlers_.end();) {
        it = it->second.handler == handler ? handlers_.erase(it) : std::next(it);
    }
}

bool CommandServer::allocateExtensionCode(std::uint32_t extensionId, std::uint8_t& code) {
    for (std::size_t i = 0; i < kExtensionCodeCount; ++i) {
        if (extensionIds_[i] == extensionId) {
            code = static_cast<std::uint8_t>(kFirstExtensionCode + i);
            return true;
        }
    }
    for (std::size_t i = 0; i < kExtensionCodeCount; ++i) {
        if (extensionFree_[i]) {
            extensionFree_[i] = false;
            extensionIds_[i] = extensionId;
            code = static_cast<std::uint8_t>(kFirstExtensionCode + i);
            return true;
        }
    }
    return false;
}

std::uint32_t CommandServer::capabilityForCode(std::uint8_t code) const {
    if (code < kFirstExtensionCode || code > kLastExtensionCode) {
        return 0;
    }
    return extensionIds_[extensionIndex(code)];
}

}  // namespace rx_fwk
