// The process-wide command server: checks packets, dispatches them to the registered
// handlers under one lock, and owns the transports while running.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "app/services/Service.h"
#include "cmdserver/CfgCommand.h"
#include "cmdserver/PacketConsumer.h"
#include "cmdserver/PacketProducer.h"
#include "kernel/threads/Sync.h"

namespace rx_fwk {

class CommandServer : public Service, public PacketConsumer {
public:
    static CommandServer& instance();

    // Handlers register with instance(); a separate server serves tests.
    CommandServer();
    ~CommandServer() override;
    bool start() override;
    bool stop() override;
    bool isRunning() override;

    bool consume(std::uint8_t* buffer, std::uint32_t& length, const char* sender) override;

    bool registerCommand(std::uint8_t code, std::uint8_t highestVersion, CfgCommand* handler);
    void unregisterCommand(CfgCommand* handler);
    bool allocateExtensionCode(std::uint32_t extensionId, std::uint8_t& code);
    std::uint32_t capabilityForCode(std::uint8_t code) const;

    // Sender of the packet being dispatched; valid inside a handler.
    const std::string& currentPeer() const { return currentPeer_; }

private:
    struct HandlerEntry {
        CfgCommand* handler;
        std::uint8_t highestVersion;
    };

    CRITICAL_SECTION lock_;
    std::map<std::uint8_t, HandlerEntry> handlers_;
    std::string currentPeer_;
    std::unique_ptr<PacketProducer> masterProducer_;
    std::array<std::uint32_t, kExtensionCodeCount> extensionIds_{};
    std::array<bool, kExtensionCodeCount> extensionFree_{};
};

}  // namespace rx_fwk
