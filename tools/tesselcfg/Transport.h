// How the tool reaches controllers: UDP broadcast or one TCP connection.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "cmdserver/CommandPacket.h"
#include "tools/tesselcfg/Ipv4Address.h"

namespace tesselcfg {

using rx_fwk::CommandPacket;
using Clock = std::chrono::steady_clock;

// A local failure (no such interface, connection refused): the tool cannot ask at all.
class TransportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A reply (host order) and how it reached us.
struct Reply {
    CommandPacket packet;
    // Our address as the controller sees the requester (where it would call us back).
    std::uint32_t localAddress = 0;
    // Broadcast only: the interface the reply came in on and its subnets.
    std::string interfaceName;
    std::optional<std::vector<Ipv4Subnet>> interfaceSubnets;
};

class Transport {
public:
    // Which received packets count as replies to the request.
    using Match = std::function<bool(const CommandPacket&)>;
    enum class Repeat { Allowed, Never };

    virtual ~Transport() = default;

    // Sends the request (host order). A request that may be repeated is sent again while
    // `collect` waits for its single reply (a lost datagram costs a resend, not the
    // answer); one that must not be (a second Lock or Reset is refused, a second Firmware
    // waits for another side connection) goes once.
    virtual void send(const CommandPacket& request, Repeat repeat, Clock::time_point deadline) = 0;
    // Matching replies until the deadline, or until `limit` of them came. Replies from one
    // controller that arrive more than once are the caller's to merge (or to leave unmatched).
    static constexpr std::size_t kEvery = SIZE_MAX;
    virtual std::vector<Reply> collect(const Match& match, std::size_t limit,
                                       Clock::time_point deadline) = 0;

    std::vector<Reply> exchange(const CommandPacket& request, const Match& match, std::size_t limit,
                                Clock::time_point deadline, Repeat repeat = Repeat::Allowed) {
        send(request, repeat, deadline);
        return collect(match, limit, deadline);
    }

    // One request for each of several controllers, with where discovery found them.
    struct Query {
        CommandPacket request;      // host order, addressed to the controller's MAC
        std::uint32_t address = 0;  // the controller's own address, host order
        std::string interfaceName;  // where its reply came in; empty when not known
    };
    // The reply to each query (of the controller the request names, accepted by `isAnswer`),
    // or none by the deadline. By default one exchange after the other.
    virtual std::vector<std::optional<Reply>> askEach(const std::vector<Query>& queries,
                                                      const Match& isAnswer,
                                                      Clock::time_point deadline);
};

}  // namespace tesselcfg
