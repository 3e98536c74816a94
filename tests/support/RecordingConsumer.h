// A consumer between a transport and the real command server that notes what it was given.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "cmdserver/CommandServer.h"
#include "cmdserver/PacketConsumer.h"

namespace lbtest {

class RecordingConsumer : public rx_fwk::PacketConsumer {
public:
    bool consume(std::uint8_t* buffer, std::uint32_t& length, const char* sender) override {
        {
            std::lock_guard<std::mutex> hold(lock_);
            lengths_.push_back(length);
            senders_.push_back(sender);
        }
        return rx_fwk::CommandServer::instance().consume(buffer, length, sender);
    }
    std::vector<std::uint32_t> lengths() {
        std::lock_guard<std::mutex> hold(lock_);
        return lengths_;
    }
    std::vector<std::string> senders() {
        std::lock_guard<std::mutex> hold(lock_);
        return senders_;
    }

private:
    std::mutex lock_;
    std::vector<std::uint32_t> lengths_;
    std::vector<std::string> senders_;
};

}  // namespace lbtest
