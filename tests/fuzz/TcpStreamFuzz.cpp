// Any byte stream on a command server TCP connection ends in a closed connection, never a
// crash, and whatever the controller sent back is a sequence of whole framed packets.
#include <stdlib.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "cmdserver/CommandServer.h"
#include "cmdserver/TCPClient.h"
#include "cmdserver/net/sleep.h"
#include "cmdserver/net/stream_server.h"
#include "kernel/boot/Kernel.h"
#include "kernel/net/WinSock.h"

namespace {

rx_fwk::stream_server<rx_fwk::ip_address>* gListener = nullptr;
sockaddr_in gAddress{};

bool readable(SOCKET s, long milliseconds) {
    WSAFDSET set;
    WSAFD_ZERO(&set);
    WSAFD_SET(s, &set);
    TIMEVAL t{milliseconds / 1000, (milliseconds % 1000) * 1000};
    return select(0, &set, nullptr, nullptr, &t) == 1;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static char disk[] = "/tmp/lifeboat-fuzz-XXXXXX";
    TovKernelOptions options;
    options.disk = mkdtemp(disk);
    options.pace = 0;
    TovKernelStart(options);
    WSADATA data;
    WSAStartup(MAKEWORD(1, 1), &data);
    gListener = new rx_fwk::stream_server<rx_fwk::ip_address>();
    gListener->bind(rx_fwk::ip_address("127.0.0.1", 0));
    gListener->listen(5);
    int length = 0;
    std::memcpy(&gAddress, gListener->localAddress(length), sizeof gAddress);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SOCKET peer = socket(AF_INET, SOCK_STREAM, 0);
    if (connect(peer, reinterpret_cast<sockaddr*>(&gAddress), sizeof gAddress) != 0) {
        __builtin_trap();
    }
    rx_fwk::TCPClient::Timing quick;
    quick.idleWaitMs = 10;
    quick.idleLimit = 0;
    quick.transferWaitMs = 20;
    auto client = std::make_unique<rx_fwk::TCPClient>(gListener->accept(), quick);
    client->setConsumer(&rx_fwk::CommandServer::instance());

    send(peer, reinterpret_cast<const char*>(data), static_cast<int>(size), 0);
    shutdown(peer, SD_SEND);
    for (int waited = 0; !client->done() && waited < 5000; ++waited) {
        mthread::sleep(1);
    }
    if (!client->done()) {
        __builtin_trap();  // the connection must end by itself
    }
    client.reset();

    std::vector<std::uint8_t> answer;
    char chunk[4096];
    for (;;) {
        if (!readable(peer, 1000)) {
            __builtin_trap();  // destroying the client closes the connection
        }
        int n = recv(peer, chunk, sizeof chunk, 0);
        if (n <= 0) {
            break;
        }
        answer.insert(answer.end(), chunk, chunk + n);
    }
    closesocket(peer);
    const std::uint8_t header[4] = {0, 0, 0, rx_fwk::kCommandPacketSize};
    const std::size_t framed = 4 + rx_fwk::kCommandPacketSize;
    if (answer.size() % framed != 0) {
        __builtin_trap();
    }
    for (std::size_t at = 0; at < answer.size(); at += framed) {
        if (std::memcmp(&answer[at], header, 4) != 0) {
            __builtin_trap();
        }
    }
    return 0;
}
