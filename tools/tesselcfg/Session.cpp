#include "tools/tesselcfg/Session.h"

#include <algorithm>
#include <cstddef>

#include "tools/tesselcfg/TcpTransport.h"
#include "tools/tesselcfg/UdpBroadcastTransport.h"

namespace tesselcfg {
namespace {

constexpr std::size_t kStateTextArea = 96;

bool isAnswer(const CommandPacket& p) {
    return p.command == rx_fwk::ACK || p.command == rx_fwk::NAK ||
           p.command == rx_fwk::QueryCapsReply;
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

std::vector<Reply> Session::discover() {
    const CommandPacket ping = makeRequest(rx_fwk::CmdPing, MacAddress{});
    auto replies = transport_->exchange(
        ping, [](const CommandPacket& p) { return p.command == rx_fwk::ACK; }, true, deadline());
    std::vector<Reply> unique;
    for (const Reply& r : replies) {
        auto same = [&r](const Reply& u) { return macOf(u.packet) == macOf(r.packet); };
        if (std::none_of(unique.begin(), unique.end(), same)) {
            unique.push_back(r);
        }
    }
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
        [mac](const CommandPacket& p) { return macOf(p) == mac && isAnswer(p); }, false, deadline);
    if (replies.empty()) {
        return std::nullopt;
    }
    return replies.front();
}

std::optional<std::string> Session::state(const MacAddress& mac) {
    auto reply = ask(makeRequest(rx_fwk::CmdSpQuery, mac));
    if (!reply || reply->packet.command != rx_fwk::ACK) {
        return std::nullopt;
    }
    return stateText(reply->packet);
}

std::string stateText(const CommandPacket& reply) {
    return areaText(reinterpret_cast<const char*>(&reply) + offsetof(CommandPacket, text1),
                    kStateTextArea);
}

}  // namespace tesselcfg
