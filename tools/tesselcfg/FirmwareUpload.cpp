#include "tools/tesselcfg/FirmwareUpload.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <thread>

namespace tesselcfg {
namespace {

constexpr auto kRetryInterval = std::chrono::milliseconds(100);

int millisecondsUntil(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

class Socket {
public:
    Socket() : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)) {
        if (fd_ < 0) {
            throw TransportError(std::string("socket: ") + std::strerror(errno));
        }
    }
    ~Socket() { ::close(fd_); }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

// True once connected; false when the controller refused (not listening yet) or did not
// answer by the deadline.
bool connectOnce(const Socket& s, const sockaddr_in& to, Clock::time_point deadline) {
    if (::connect(s.fd(), reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) {
        return true;
    }
    if (errno != EINPROGRESS) {
        return false;
    }
    pollfd p{s.fd(), POLLOUT, 0};
    int ready;
    do {
        ready = ::poll(&p, 1, millisecondsUntil(deadline));
    } while (ready < 0 && errno == EINTR);
    int error = 0;
    socklen_t length = sizeof error;
    ::getsockopt(s.fd(), SOL_SOCKET, SO_ERROR, &error, &length);
    return ready > 0 && error == 0;
}

bool sendAll(const Socket& s, const std::uint8_t* bytes, std::size_t length,
             Clock::duration stall) {
    while (length > 0) {
        pollfd p{s.fd(), POLLOUT, 0};
        const int ready = ::poll(&p, 1, millisecondsUntil(Clock::now() + stall));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0 || (p.revents & (POLLERR | POLLHUP))) {
            return false;
        }
        const ssize_t n = ::send(s.fd(), bytes, length, MSG_NOSIGNAL);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

UploadResult uploadFirmware(const std::string& address, const rx_fwk::FirmwareHeader& header,
                            std::FILE* image, Clock::time_point connectDeadline,
                            Clock::duration stall) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(rx_fwk::kFirmwareTcpPort);
    if (::inet_pton(AF_INET, address.c_str(), &to.sin_addr) != 1) {
        throw TransportError("not an IPv4 address: " + address);
    }
    // The controller opens its side listener only when it handles the request.
    std::optional<Socket> connection;
    while (!connection) {
        connection.emplace();
        if (!connectOnce(*connection, to, connectDeadline)) {
            connection.reset();
            if (Clock::now() + kRetryInterval >= connectDeadline) {
                return UploadResult::NotConnected;
            }
            std::this_thread::sleep_for(kRetryInterval);
        }
    }
    int on = 1;
    ::setsockopt(connection->fd(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    const auto head = rx_fwk::encodeFirmwareHeader(header);
    if (!sendAll(*connection, head.data(), head.size(), stall)) {
        return UploadResult::Cut;
    }
    std::uint8_t chunk[4096];
    std::uint32_t left = header.imageLength;
    while (left > 0) {
        const std::size_t want = std::min<std::size_t>(left, sizeof chunk);
        const std::size_t got = std::fread(chunk, 1, want, image);
        if (got != want) {
            throw TransportError("the image file ended early");
        }
        if (!sendAll(*connection, chunk, got, stall)) {
            return UploadResult::Cut;
        }
        left -= static_cast<std::uint32_t>(got);
    }
    // Closing our side tells nothing the controller needs: it counts the bytes itself.
    ::shutdown(connection->fd(), SHUT_WR);
    return UploadResult::Sent;
}

}  // namespace tesselcfg
