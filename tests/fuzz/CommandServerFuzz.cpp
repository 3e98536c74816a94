// Any bytes handed to the dispatcher are answered or dropped, never read past their length.
#include <stdlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "cmdserver/CommandServer.h"
#include "kernel/boot/Kernel.h"

// Handlers read settings: give them a scratch disk.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static char disk[] = "/tmp/lifeboat-fuzz-XXXXXX";
    TovKernelOptions options;
    options.disk = mkdtemp(disk);
    options.pace = 0;
    TovKernelStart(options);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An exact-size copy so that ASan sees any read or write beyond the datagram.
    std::vector<std::uint8_t> buffer(data, data + size);
    std::uint32_t length = static_cast<std::uint32_t>(size);
    const bool reply =
        rx_fwk::CommandServer::instance().consume(buffer.data(), length, "192.0.2.1");
    if (length != size || (reply && size != rx_fwk::kCommandPacketSize)) {
        __builtin_trap();
    }
    return 0;
}
