#include "tools/tesselcfg/Session.h"

#include <algorithm>
#include <cstddef>
#include <set>

#include "tools/tesselcfg/TcpTransport.h"
#include "tools/tesselcfg/UdpBroadcastTransport.h"

namespace tesselcfg {
namespace {

constexpr std::size_t kStateTextArea = 96;

// A Ping ACK always carries these flags; an SpQuery ACK carries only its own two, so a late
// discovery reply never passes for a controller's state.
constexpr std::uint16_t kPingAlwaysFlags = 0x0044;

bool isAnswer(const CommandPacket& p) {
    return p.command == rx_fwk::ACK || p.command == rx_fwk::NAK ||
           p.command == rx_fwk::QueryCapsReply;
}

bool isStateAnswer(const CommandPacket& p) {
    return (p.command == rx_fwk::ACK && (p.flags & kPingAlwaysFlags) == 0) ||
           p.command == rx_fwk::NAK;
}

std::optional<std::string> stateOf(const std::optional<Reply>& reply) {
    if (!reply || reply->packet.command != rx_fwk::ACK) {
        return std::nullopt;
    }
    return stateText(reply->packet);
}

}  // namespace

Session::Session(const Options& options) : options_(options) {
    if (options.tcpAddress.empty()) {
        transport_ = std::make_unique<UdpBroadcastTransport>(options.interfaceName);
    } else {
        transport_ = std::make_unique<TcpTransport>(options.tcpAddress);
    }
}

Clock::time_point Session::deadline() const {
    return Clock::now() + std::chrono::microseconds(static_cast<long long>(options_.timeout * 1e6));
}

std::vector<Reply> Session::discover(std::size_t count) {
    const CommandPacket ping = makeRequest(rx_fwk::CmdPing, MacAddress{});
    // A controller heard again (on another interface) is not counted twice.
    std::set<MacAddress> heard;
    auto unique = transport_->exchange(
        ping,
        [&heard](const CommandPacket& p) {
            return p.command == rx_fwk::ACK && heard.insert(macOf(p)).second;
        },
        count, deadline());
    std::sort(unique.begin(), unique.end(),
              [](const Reply& a, const Reply& b) { return macOf(a.packet) < macOf(b.packet); });
    return unique;
}

std::optional<Reply> Session::ask(const CommandPacket& request, Transport::Repeat repeat) {
    const Clock::time_point by = deadline();
    transport_->send(request, repeat, by);
    return awaitReply(macOf(request), by);
}

void Session::send(const CommandPacket& request, Transport::Repeat repeat) {
    transport_->send(request, repeat, deadline());
}

std::optional<Reply> Session::awaitReply(const MacAddress& mac, Clock::time_point deadline) {
    auto replies = transport_->collect(
        [mac](const CommandPacket& p) { return macOf(p) == mac && isAnswer(p); }, 1, deadline);
    if (replies.empty()) {
        return std::nullopt;
    }
    return replies.front();
}

std::optional<std::string> Session::state(const MacAddress& mac) {
    const Clock::time_point by = deadline();
    transport_->send(makeRequest(rx_fwk::CmdSpQuery, mac), Transport::Repeat::Allowed, by);
    auto replies = transport_->collect(
        [mac](const CommandPacket& p) { return macOf(p) == mac && isStateAnswer(p); }, 1, by);
    return stateOf(replies.empty() ? std::nullopt : std::optional<Reply>(replies.front()));
}

std::vector<std::optional<std::string>> Session::states(const std::vector<Controller>& found) {
    std::vector<Transport::Query> queries;
    for (const Controller& c : found) {
        queries.push_back(Transport::Query{makeRequest(rx_fwk::CmdSpQuery, c.mac),
                                           parseDotted(c.ip).value_or(0), c.interfaceName});
    }
    std::vector<std::optional<std::string>> states;
    for (const auto& reply : transport_->askEach(queries, isStateAnswer, deadline())) {
        states.push_back(stateOf(reply));
    }
    return states;
}

std::string stateText(const CommandPacket& reply) {
    return areaText(reinterpret_cast<const char*>(&reply) + offsetof(CommandPacket, text1),
                    kStateTextArea);
}

}  // namespace tesselcfg
