#include "cmdserver/net/ip_address.h"

#include <cstring>

#include "cmdserver/net/SocketLibrary.h"
#include "cmdserver/net/ip_unable_to_resolve.h"

namespace rx_fwk {
namespace {

sockaddr_in makeRecord(std::uint32_t addressNetworkOrder, std::uint16_t port) {
    sockaddr_in record;
    std::memset(&record, 0, sizeof record);
    record.sin_family = AF_INET;
    record.sin_port = htons(port);
    record.sin_addr.s_addr = addressNetworkOrder;
    return record;
}

}  // namespace

ip_address::ip_address() : record_(makeRecord(INADDR_ANY, 0)) {}

ip_address::ip_address(std::uint16_t port, Broadcast broadcast)
    : record_(makeRecord(broadcast == IsBroadcast ? htonl(INADDR_BROADCAST) : INADDR_ANY,
                         port)) {}

ip_address::ip_address(const std::string& host, std::uint16_t port) {
    // The stack answers name queries only while the library is started.
    SocketLibrary& library = SocketLibrary::instance();
    SOCKET probe = library.openSocket(AF_INET, SOCK_DGRAM, 0);
    if (probe != INVALID_SOCKET) {
        library.closeSocket(probe);
    }
    std::string name = host;
    if (name.empty()) {
        char own[255] = {};
        if (gethostname(own, sizeof own) == 0) {
            name = own;
        }
    }
    std::uint32_t address = INADDR_NONE;
    if (const hostent* entry = gethostbyname(name.c_str());
        entry != nullptr && entry->h_addr_list != nullptr && entry->h_addr_list[0] != nullptr) {
        std::memcpy(&address, entry->h_addr_list[0], sizeof address);
    } else {
        address = inet_addr(name.c_str());
        if (address == INADDR_NONE) {
            throw ip_unable_to_resolve();
        }
    }
    record_ = makeRecord(address, port);
}

std::string ip_address::text() const { return inet_ntoa(record_.sin_addr); }

}  // namespace rx_fwk
