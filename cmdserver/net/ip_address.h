// An IPv4 socket address: exactly the WinSock address record, passed to the socket calls
// with length 16.
#pragma once

#include <cstdint>
#include <string>

#include "kernel/net/WinSock.h"

namespace rx_fwk {

class ip_address {
public:
    enum Broadcast { NotBroadcast, IsBroadcast };

    // 0.0.0.0, port 0.
    ip_address();
    // 255.255.255.255 or 0.0.0.0 at the port.
    ip_address(std::uint16_t port, Broadcast broadcast);
    // Resolves the host text (empty: this machine); throws ip_unable_to_resolve.
    ip_address(const std::string& host, std::uint16_t port);
    // From a received address record.
    explicit ip_address(const sockaddr_in& record) : record_(record) {}

    std::uint16_t port() const { return ntohs(record_.sin_port); }
    // Dotted form.
    std::string text() const;
    // Network order.
    std::uint32_t address() const { return record_.sin_addr.s_addr; }

    const sockaddr* record() const { return reinterpret_cast<const sockaddr*>(&record_); }
    sockaddr* record() { return reinterpret_cast<sockaddr*>(&record_); }
    static constexpr int length() { return sizeof(sockaddr_in); }

private:
    sockaddr_in record_;
};

static_assert(sizeof(ip_address) == 16);

}  // namespace rx_fwk
