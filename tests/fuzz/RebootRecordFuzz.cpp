// Any bytes as the reboot record "nvdata.bin" read at start-up: the record is taken or
// refused whole, the host to notify stays within its field, and the record left on disk is
// the cleared one of the current version.
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FuzzDisk.h"
#include "app/services/EmbeddedServices.h"
#include "app/services/RebootRecord.h"

namespace {

const char kRecordFile[] = "zu-rt/system/nvdata.bin";

// The services object as start-up builds it, once per input.
class FreshServices : public rx_fwk::EmbeddedServices {
public:
    FreshServices() = default;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzdisk::start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzdisk::put(kRecordFile, data, size);
    const FreshServices services;

    rx_fwk::RebootRecord given{};
    if (size >= sizeof given) {
        given = rx_fwk::RebootRecord::fromBytes(data);
    }
    // Only the first 48 bytes are the record: what follows them is not looked at.
    const bool taken = size >= sizeof given && given.version == rx_fwk::RebootRecord::kVersion;
    const std::uint32_t reboots = taken ? given.systemErrorReboots : 0;
    if (services.systemErrorReboots() != reboots || services.installHost().size() >= 24 ||
        (!taken && (services.stateFinal() || !services.installHost().empty()))) {
        __builtin_trap();
    }

    std::ifstream file(fuzzdisk::root() + "/" + kRecordFile, std::ios::binary);
    const std::vector<std::uint8_t> left{std::istreambuf_iterator<char>(file),
                                         std::istreambuf_iterator<char>()};
    if (left.size() != sizeof(rx_fwk::RebootRecord)) {
        __builtin_trap();
    }
    const rx_fwk::RebootRecord cleared = rx_fwk::RebootRecord::fromBytes(left.data());
    if (cleared.version != rx_fwk::RebootRecord::kVersion || cleared.kind != 0 ||
        cleared.systemErrorReboots != 0 || cleared.flags != 0) {
        __builtin_trap();
    }
    return 0;
}
