#include "tools/tesselcfg/InstallReport.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "tools/tesselcfg/Ipv4Address.h"

namespace tesselcfg {
namespace {

// Any datagram is an answer; the controller reads at most 31 bytes of it.
const char kAnswer[] = "OK";

}  // namespace

InstallReportListener::InstallReportListener() {
    socket_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (socket_ < 0) {
        throw TransportError(std::string("socket: ") + std::strerror(errno));
    }
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_port = htons(rx_fwk::kHostNotifyPort);
    if (::bind(socket_, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0) {
        const int error = errno;
        ::close(socket_);
        throw TransportError("cannot listen on UDP port " +
                             std::to_string(rx_fwk::kHostNotifyPort) +
                             " for the controller's report: " + std::strerror(error));
    }
}

InstallReportListener::~InstallReportListener() {
    ::close(socket_);
}

std::optional<InstallReport> InstallReportListener::wait(Clock::time_point deadline) {
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return std::nullopt;
        }
        pollfd p{socket_, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left));
        if (ready < 0 && errno != EINTR) {
            throw TransportError(std::string("poll: ") + std::strerror(errno));
        }
        if (ready <= 0) {
            continue;
        }
        char text[64];
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t got = ::recvfrom(socket_, text, sizeof text, MSG_DONTWAIT | MSG_TRUNC,
                                       reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (got <= 0 || static_cast<std::size_t>(got) > sizeof text) {
            continue;
        }
        const std::string address(text, static_cast<std::size_t>(got));
        if (!parseDotted(address)) {
            continue;  // not a controller's report
        }
        ::sendto(socket_, kAnswer, sizeof kAnswer - 1, 0, reinterpret_cast<sockaddr*>(&from),
                 fromLength);
        return InstallReport{address, dottedAddress(ntohl(from.sin_addr.s_addr))};
    }
}

}  // namespace tesselcfg
