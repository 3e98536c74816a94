// Requests over one TCP connection to port 44516, each packet preceded by its length as
// a 4-byte network-order word.
#pragma once

#include <string>

#include "tools/tesselcfg/Transport.h"

namespace tesselcfg {

class TcpTransport final : public Transport {
public:
    // Connects by the first exchange's deadline.
    explicit TcpTransport(const std::string& address);
    ~TcpTransport() override;

    // Requests are never repeated: TCP does not lose them.
    void send(const CommandPacket& request, Repeat repeat, Clock::time_point deadline) override;
    // One reply at most, whatever the limit.
    std::vector<Reply> collect(const Match& match, std::size_t limit,
                               Clock::time_point deadline) override;

private:
    void connectBy(Clock::time_point deadline);
    // False when the deadline passed or the connection ended first.
    bool transfer(bool sending, void* bytes, std::size_t length, Clock::time_point deadline);

    std::string address_;
    int socket_ = -1;
    bool sent_ = false;  // the last request went out whole
    std::uint32_t localAddress_ = 0;
};

}  // namespace tesselcfg
