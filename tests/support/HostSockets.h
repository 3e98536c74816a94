// The test's side of a conversation, on the host's own sockets: they are not counted
// against the image's socket limit and see what arrives exactly as sent.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lbtest {

using Bytes = std::vector<std::uint8_t>;

// A UDP socket on 0.0.0.0 that reports each datagram's destination address.
class UdpProbe {
public:
    // Port 0 takes any free port.
    explicit UdpProbe(std::uint16_t port = 0);
    ~UdpProbe();
    UdpProbe(const UdpProbe&) = delete;
    UdpProbe& operator=(const UdpProbe&) = delete;

    std::uint16_t port() const { return port_; }
    bool sendTo(const std::string& address, std::uint16_t port, const Bytes& bytes);

    struct Datagram {
        Bytes bytes;
        std::string destination;
        std::string source;
    };
    std::optional<Datagram> receive(int timeoutMs);

private:
    int socket_ = -1;
    std::uint16_t port_ = 0;
};

// One TCP connection.
class TcpPeer {
public:
    TcpPeer(const std::string& address, std::uint16_t port);
    ~TcpPeer();
    TcpPeer(const TcpPeer&) = delete;
    TcpPeer& operator=(const TcpPeer&) = delete;

    bool connected() const { return socket_ >= 0; }
    bool send(const Bytes& bytes);
    // Exactly `count` bytes, or none when the time-out passes or the connection ends.
    std::optional<Bytes> receive(std::size_t count, int timeoutMs);
    // True when the other side closed (or reset) the connection within the time-out.
    bool closedByPeer(int timeoutMs);
    // Ends the sending direction only.
    void shutdownSending();

private:
    int socket_ = -1;
};

}  // namespace lbtest
