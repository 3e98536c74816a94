// Telling the host our address after an install reboot.
#include <string>

#include "app/services/EmbeddedServices.h"
#include "cmdserver/CommandPacket.h"
#include "cmdserver/TextTrace.h"
#include "cmdserver/Trace.h"
#include "cmdserver/net/dgram_sock.h"
#include "cmdserver/net/ip_address.h"
#include "cmdserver/net/ip_unable_to_resolve.h"
#include "cmdserver/net/socket_error.h"
#include "net/ipStack.h"

namespace rx_fwk {
namespace {

constexpr int kAttempts = 3;
constexpr long kAnswerWaitSeconds = 4;
constexpr int kAnswerMax = 31;

}  // namespace

bool EmbeddedServices::notifyHost() {
    if (installHost_.empty()) {
        return false;
    }
    try {
        dgram_sock<ip_address> socket;
        if (!socket.bind(ip_address(kHostNotifyPort, ip_address::NotBroadcast))) {
            throw socket_error();
        }
        const ip_address host(installHost_, kHostNotifyPort);
        const std::string own = nIPStack::ipStack().getIPAddress();
        trace(3, "Contacting host with my IP address (%s)\n", own.c_str());
        for (int attempt = 0; attempt < kAttempts; ++attempt) {
            if (socket.sendTo(own.data(), static_cast<int>(own.size()), host) < 0) {
                throw socket_error();
            }
            if (!socket.waitReadable(kAnswerWaitSeconds, 0)) {
                continue;  // no answer in time: send again
            }
            char answer[kAnswerMax];
            ip_address from;
            const int got = socket.receiveFrom(answer, sizeof answer, from);
            // A longer answer is still the host's answer: its content is never looked at.
            if (got < 0 && socket_error().code() != SockErrMessageTooLarge) {
                throw socket_error();
            }
            trace(3, "Got a response from host at IP: %s (%d bytes)\n", from.text().c_str(), got);
            return true;
        }
        return false;
    } catch (const socket_error& error) {
        trace(1, "Socket error in host notify: %d\n", error.code());
    } catch (const ip_unable_to_resolve&) {
        traceText("Socket error while trying to notify host.\n");
    }
    return false;
}

}  // namespace rx_fwk
