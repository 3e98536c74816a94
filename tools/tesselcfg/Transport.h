// How the tool reaches controllers: UDP broadcast or one TCP connection.
#pragma once

#include <chrono>
#include <functional>
#include <stdexcept>
#include <vector>

#include "cmdserver/CommandPacket.h"

namespace tesselcfg {

using rx_fwk::CommandPacket;
using Clock = std::chrono::steady_clock;

// A local failure (no such interface, connection refused): the tool cannot ask at all.
class TransportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Transport {
public:
    // Which received packets count as replies to the request.
    using Match = std::function<bool(const CommandPacket&)>;

    virtual ~Transport() = default;

    // Sends the request (host order) and collects matching replies (host order) until the
    // deadline, or until the first one when `all` is false. Replies from one controller
    // that arrive more than once are the caller's to merge.
    virtual std::vector<CommandPacket> exchange(const CommandPacket& request, const Match& match,
                                                bool all, Clock::time_point deadline) = 0;
};

}  // namespace tesselcfg
