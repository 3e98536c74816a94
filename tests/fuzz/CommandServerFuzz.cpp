// Any bytes handed to the dispatcher are answered or dropped, never read past their length.
#include <sched.h>
#include <stdlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "cmdserver/CommandServer.h"
#include "cmdserver/commands/cmd_Firmware.h"
#include "cmdserver/commands/cmd_Reset.h"
#include "kernel/boot/Kernel.h"

namespace {

// An accepted reset is forgotten, not carried out: a restart would re-execute the fuzzer.
class NoRestart final : public rx_fwk::ResetAction {
public:
    void reboot() override {}
    void rebootForInstall(const std::string&) override {}
};

NoRestart gNoRestart;

}  // namespace

// Handlers read settings: give them a scratch disk.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The firmware side connection listens: in a network of its own where that is allowed,
    // and without waiting for a host that never comes.
    unshare(CLONE_NEWNET);
    static char disk[] = "/tmp/lifeboat-fuzz-XXXXXX";
    TovKernelOptions options;
    options.disk = mkdtemp(disk);
    options.pace = 0;
    TovKernelStart(options);
    rx_fwk::cmd_Firmware::instance().setWaits({0, 0, 0});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    rx_fwk::cmd_Reset::instance().setUpForTest(&gNoRestart, 0);
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
