// Any bytes on the firmware side connection: the header is read field by field, a transfer
// is accepted only for this controller's target code and a known key with the whole image,
// and the firmware target sees no byte that the host did not send as the image.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "FuzzDisk.h"
#include "app/services/EmbeddedTarget.h"
#include "cmdserver/CommandPacket.h"
#include "cmdserver/FirmwareHeader.h"
#include "cmdserver/commands/cmd_Firmware.h"
#include "tests/support/PrivateNetwork.h"

namespace {

constexpr std::uint32_t kKey = 0x00C0FFEE;

class CountingTarget final : public rx_fwk::FirmwareTarget {
public:
    bool begin(std::uint16_t) override {
        begun = true;
        written.clear();
        return true;
    }
    bool write(const std::uint8_t* bytes, std::size_t count) override {
        if (!begun) {
            __builtin_trap();
        }
        written.insert(written.end(), bytes, bytes + count);
        return true;
    }
    bool finish() override {
        finished = true;
        begun = false;
        return true;
    }
    void abort() override { begun = false; }
    bool busy() override { return begun; }

    bool begun = false, finished = false;
    std::vector<std::uint8_t> written;
};

CountingTarget gTarget;

std::uint32_t bigEndian(const std::uint8_t* at, int size) {
    std::uint32_t value = 0;
    for (int i = 0; i < size; ++i) {
        value = (value << 8) | at[i];
    }
    return value;
}

// The host's end: connects once the handler listens, sends everything and closes.
void host(const std::uint8_t* data, std::size_t size) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(rx_fwk::kFirmwareTcpPort);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    for (int attempt = 0; attempt < 2000; ++attempt) {
        const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0) {
            for (std::size_t done = 0; done < size;) {
                const ssize_t n = send(s, data + done, size - done, MSG_NOSIGNAL);
                if (n <= 0) {
                    break;
                }
                done += static_cast<std::size_t>(n);
            }
            shutdown(s, SHUT_WR);
            char drain[64];
            while (recv(s, drain, sizeof drain, 0) > 0) {
            }
            close(s);
            return;
        }
        close(s);
        usleep(500);
    }
    __builtin_trap();  // the handler never listened
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The side connection's port is fixed: it gets a network of its own.
    if (!lbtest::enterPrivateNetwork()) {
        __builtin_trap();
    }
    fuzzdisk::start();  // the handler reads the root password
    rx_fwk::cmd_Firmware::instance().addTarget(kKey, &gTarget);
    rx_fwk::cmd_Firmware::instance().setWaits({5000, 1000, 1000});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    gTarget.finished = false;
    gTarget.written.clear();
    rx_fwk::CommandPacket packet{};
    packet.command = rx_fwk::CmdFirmware;
    std::thread sender(host, data, size);
    rx_fwk::cmd_Firmware::instance().handle(packet, rx_fwk::kCommandPacketSize);
    sender.join();

    const std::size_t headerSize = rx_fwk::kFirmwareHeaderSize;
    const bool whole = size >= headerSize;
    const std::uint32_t length = whole ? bigEndian(data + 12, 4) : 0;
    const bool expected = whole &&
                          bigEndian(data, 2) == rx_fwk::EmbeddedTarget::instance().targetCode() &&
                          bigEndian(data + 4, 4) == kKey && length <= size - headerSize;
    const bool acked = packet.command == rx_fwk::ACK;
    if (acked != expected || acked != gTarget.finished) {
        __builtin_trap();
    }
    // What the target got is the start of what followed the header, never more.
    const std::size_t image = whole ? size - headerSize : 0;
    if (gTarget.written.size() > image || gTarget.written.size() > length ||
        (acked && gTarget.written.size() != length) ||
        (!gTarget.written.empty() &&
         std::memcmp(gTarget.written.data(), data + headerSize, gTarget.written.size()) != 0)) {
        __builtin_trap();
    }
    return 0;
}
