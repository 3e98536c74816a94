// The host notification's failure paths (the exchange with a host is an end-to-end test:
// the host must sit in another network namespace to have port 44517 to itself).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/services/EmbeddedServices.h"
#include "app/services/RebootRecord.h"
#include "kernel/net/WinSock.h"
#include "tests/support/PrivateNetwork.h"
#include "tests/support/TempDisk.h"

namespace rx_fwk {
namespace {

// A fresh EmbeddedServices reads the reboot record of the current disk.
class BootedServices : public EmbeddedServices {
public:
    BootedServices() = default;
};

void writeRebootRecord(lbtest::TempDisk& disk, const std::string& host, std::uint32_t flags) {
    RebootRecord record{};
    record.version = RebootRecord::kVersion;
    record.kind = 1;
    record.flags = flags;
    std::memcpy(record.host, host.c_str(), host.size() + 1);
    std::uint8_t bytes[sizeof(RebootRecord)];
    record.toBytes(bytes);
    disk.writeHostFile("zu-rt/system/nvdata.bin",
                       std::string(reinterpret_cast<char*>(bytes), sizeof bytes));
}

TEST(NotifyHost, FailuresAnswerFalseAndLeaveNoSocketOpen) {
    LBTEST_REQUIRE_PRIVATE_NETWORK();
    struct Row {
        const char* host;
        std::uint32_t flags;
    } rows[] = {
        {"10.250.0.1", 0},                           // no install reboot: nothing to do
        {"10.250.0.1", RebootRecord::kInstallFlag},  // no route to the host
        {"not.an.address", RebootRecord::kInstallFlag},
    };
    const int base = TovOpenSocketCount();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.host);
        lbtest::TempDisk disk;
        writeRebootRecord(disk, row.host, row.flags);
        BootedServices services;
        EXPECT_EQ(services.installHost(), row.flags != 0 ? row.host : "");
        EXPECT_FALSE(services.notifyHost());
        EXPECT_EQ(TovOpenSocketCount(), base);
    }
}

}  // namespace
}  // namespace rx_fwk
