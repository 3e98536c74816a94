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

    std::vector<CommandPacket> exchange(const CommandPacket& request, const Match& match, bool all,
                                        Clock::time_point deadline) override;

private:
    struct Interface {
        std::string name;
        int index;
        unsigned address;  // network order, 0 when none
    };

    void sendRequest(const CommandPacket& wire);

    int socket_ = -1;
    std::vector<Interface> interfaces_;
};

}  // namespace tesselcfg
