// Requests by limited broadcast to port 44515 out of chosen interfaces; controllers answer
// by limited broadcast to our port, so no route to them is needed and their addresses need
// not fit our subnet.
#pragma once

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
    std::vector<Reply> collect(const Match& match, bool all, Clock::time_point deadline) override;

private:
    struct Interface {
        std::string name;
        int index;
        unsigned address;  // network order, 0 when none; the source of our broadcasts
        std::vector<Ipv4Subnet> subnets;
    };

    void sendWire();

    int socket_ = -1;
    std::vector<Interface> interfaces_;
    CommandPacket wire_{};  // the last request, network order
    bool repeat_ = false;
};

}  // namespace tesselcfg
