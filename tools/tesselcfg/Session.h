// One run of the tool: the transport its options chose and the exchanges the commands make.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tools/tesselcfg/Protocol.h"
#include "tools/tesselcfg/Transport.h"

namespace tesselcfg {

struct Options {
    std::string interfaceName;
    std::string tcpAddress;
    double timeout = 2.0;
    bool json = false;
    std::string mac;
};

class Session {
public:
    explicit Session(const Options& options);

    const Options& options() const { return options_; }
    // Now plus the time-out the user chose.
    Clock::time_point deadline() const;

    // Every ACK to a discovery Ping until the time-out, or until `count` controllers
    // answered; one per controller, by MAC.
    std::vector<Reply> discover(std::size_t count = Transport::kEvery);

    // The reply of the controller with the request's MAC address (ACK, NAK or QueryCaps).
    std::optional<Reply> ask(const CommandPacket& request,
                             Transport::Repeat repeat = Transport::Repeat::Allowed);

    // For requests whose reply comes only after something else is done (the firmware
    // transfer): send, do it, then wait.
    void send(const CommandPacket& request, Transport::Repeat repeat);
    std::optional<Reply> awaitReply(const MacAddress& mac, Clock::time_point deadline);

    // The system state text (SpQuery), none when the controller does not say.
    std::optional<std::string> state(const MacAddress& mac);
    // The states of discovered controllers, asked all at once and collected together.
    std::vector<std::optional<std::string>> states(const std::vector<Controller>& found);

private:
    Options options_;
    std::unique_ptr<Transport> transport_;
};

// The 96-byte text of an SpQuery reply.
std::string stateText(const CommandPacket& reply);

}  // namespace tesselcfg
