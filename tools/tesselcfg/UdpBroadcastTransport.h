// Requests by limited broadcast to port 44515 out of chosen interfaces; controllers answer
// by limited broadcast to our port, so no route to them is needed and their addresses need
// not fit our subnet.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tools/tesselcfg/Transport.h"

namespace tesselcfg {

class UdpBroadcastTransport final : public Transport {
public:
    // An empty interface name means every interface that is up and can broadcast (the
    // loopback interface when there is none).
    explicit UdpBroadcastTransport(const std::string& interfaceName);
    ~UdpBroadcastTransport() override;

    void send(const CommandPacket& request, Repeat repeat, Clock::time_point deadline) override;
    std::vector<Reply> collect(const Match& match, std::size_t limit,
                               Clock::time_point deadline) override;
    // All requests go out at once: to the controller's own address where the subnet of the
    // interface it answered on reaches it (the others are not woken), by broadcast where it
    // does not; the replies are collected together, and requests still unanswered are sent
    // again once no reply has come for 500 ms.
    std::vector<std::optional<Reply>> askEach(const std::vector<Query>& queries,
                                              const Match& isAnswer,
                                              Clock::time_point deadline) override;

private:
    struct Interface {
        std::string name;
        int index;
        unsigned address;  // network order, 0 when none; the source of our broadcasts
        std::vector<Ipv4Subnet> subnets;
    };

    struct Inbox;  // buffers for receiving many datagrams with one call

    void sendWire();
    // One packet (network order) out of the interface, to `address` (host order) or, when
    // that is 0, by limited broadcast. False when it could not leave.
    bool sendOut(const CommandPacket& wire, const Interface& via, std::uint32_t address);
    // Waits for a datagram until `until`; false when none came.
    bool waitFor(Clock::time_point until);
    // Receives everything queued, several datagrams per call, and hands each reply of the
    // protocol that came in on one of our interfaces (host order) to `take`.
    void drain(const std::function<void(Reply&&)>& take);

    int socket_ = -1;
    std::unique_ptr<Inbox> inbox_;
    std::vector<Interface> interfaces_;
    CommandPacket wire_{};  // the last request, network order
    bool repeat_ = false;
};

}  // namespace tesselcfg
