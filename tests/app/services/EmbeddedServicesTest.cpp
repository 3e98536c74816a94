// Reading and clearing the reboot record at start, and the reboot callbacks.
#include "app/services/EmbeddedServices.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <random>
#include <thread>
#include <vector>

#include "app/services/EmbeddedTarget.h"
#include "app/services/RebootNotifier.h"
#include "app/services/RebootRecord.h"
#include "tests/support/TempDisk.h"

namespace rx_fwk {
namespace {

// A fresh object per test; the process-wide one stays untouched.
class FreshServices : public EmbeddedServices {
public:
    FreshServices() = default;
};

std::string recordBytes(std::uint32_t version, std::uint32_t kind, std::uint32_t count,
                        std::uint32_t flags, const char* host) {
    RebootRecord record{};
    record.version = version;
    record.time = 1700000000;
    record.kind = kind;
    record.systemErrorReboots = count;
    record.flags = flags;
    std::strncpy(record.host, host, sizeof record.host - 1);
    std::uint8_t bytes[48];
    record.toBytes(bytes);
    return std::string(reinterpret_cast<char*>(bytes), sizeof bytes);
}

constexpr const char* kRecordFile = "zu-rt/system/nvdata.bin";

TEST(RebootRecordTest, LayoutIsLittleEndianAndRoundTrips) {
    const std::string bytes = recordBytes(3, 4, 2, 1, "10.1.2.3");
    ASSERT_EQ(bytes.size(), 48u);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\x03\0\0\0", 4));
    EXPECT_EQ(bytes.substr(8, 4), std::string("\x04\0\0\0", 4));
    EXPECT_EQ(bytes.substr(12, 4), std::string("\x02\0\0\0", 4));
    EXPECT_EQ(bytes.substr(20, 4), std::string("\x01\0\0\0", 4));
    EXPECT_EQ(bytes.substr(24, 9), std::string("10.1.2.3\0", 9));

    const auto back = RebootRecord::fromBytes(reinterpret_cast<const std::uint8_t*>(bytes.data()));
    EXPECT_EQ(back.version, 3u);
    EXPECT_EQ(back.time, 1700000000u);
    EXPECT_EQ(back.systemErrorReboots, 2u);
    EXPECT_STREQ(back.host, "10.1.2.3");
}

TEST(EmbeddedServicesStartTest, ReadsTheRecordOnceAndClearsIt) {
    struct Row {
        const char* what;
        std::string file;  // empty: no file
        std::uint32_t count;
        bool stateFinal;
        const char* host;
    };
    const Row rows[] = {
        {"no record", "", 0, false, ""},
        {"system error chain", recordBytes(3, 4, 2, 0, ""), 2, false, ""},
        {"install reboot", recordBytes(3, 1, 0, 1, "192.168.5.9"), 0, true, "192.168.5.9"},
        {"host ignored without the bit", recordBytes(3, 1, 0, 0, "192.168.5.9"), 0, false, ""},
        {"foreign version", recordBytes(2, 4, 7, 1, "1.2.3.4"), 0, false, ""},
        {"short record", recordBytes(3, 4, 7, 0, "").substr(0, 47), 0, false, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        lbtest::TempDisk disk;
        if (!row.file.empty()) {
            disk.writeHostFile(kRecordFile, row.file);
        }
        FreshServices services;
        EXPECT_EQ(services.systemErrorReboots(), row.count);
        EXPECT_EQ(services.stateFinal(), row.stateFinal);
        EXPECT_EQ(services.installHost(), row.host);
        EXPECT_EQ(services.systemState(), "Running");

        const std::string after = disk.readHostFile(kRecordFile);
        ASSERT_EQ(after.size(), 48u);
        const auto cleared =
            RebootRecord::fromBytes(reinterpret_cast<const std::uint8_t*>(after.data()));
        EXPECT_EQ(cleared.version, 3u);
        EXPECT_EQ(cleared.kind, 0u);
        EXPECT_EQ(cleared.systemErrorReboots, 0u);
        EXPECT_EQ(cleared.flags, 0u);

        FreshServices second;  // the cleared record starts a fresh chain
        EXPECT_EQ(second.systemErrorReboots(), 0u);
        EXPECT_FALSE(second.stateFinal());
    }
}

std::vector<std::pair<int, int>> gCalls;

void remember(int reason, void* context) {
    gCalls.emplace_back(reason, *static_cast<int*>(context));
}

TEST(RebootNotifierTest, SystemErrorCallsOnlyThoseThatAskedAndIdsGrow) {
    static int first = 1, second = 2;
    const int id1 = registerRebootCallback(&remember, &first, false);
    const int id2 = registerRebootCallback(&remember, &second, true);
    EXPECT_GT(id1, 1);
    EXPECT_EQ(id2, id1 + 1);
    EXPECT_EQ(registerRebootCallback(nullptr, &first, true), -1);

    for (int reason : {RebootNormal, RebootInstall}) {
        gCalls.clear();
        notifyReboot(reason);
        EXPECT_EQ(gCalls, (std::vector<std::pair<int, int>>{{reason, 1}, {reason, 2}}));
    }
    gCalls.clear();
    notifyReboot(RebootSystemError);
    EXPECT_EQ(gCalls, (std::vector<std::pair<int, int>>{{RebootSystemError, 2}}));
}

// A callback that never returns (its thread crashed in it) must not hold up the crash
// handler's system-error reboot, which runs the callbacks again from another thread.
struct StuckCallback {
    std::promise<void> entered;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> systemErrorCalls{0};
};
StuckCallback* gStuck = nullptr;  // set while the test runs
std::atomic<bool> gArmed{false};

TEST(RebootNotifierTest, CallbacksRunOutsideTheLock) {
    StuckCallback stuck;
    gStuck = &stuck;
    static const bool registered = [] {
        registerRebootCallback(
            [](int reason, void*) {
                if (reason == RebootNormal && gArmed.exchange(false)) {
                    gStuck->entered.set_value();
                    gStuck->released.wait();
                }
            },
            nullptr, false);
        registerRebootCallback(
            [](int reason, void*) {
                if (reason == RebootSystemError && gStuck != nullptr) {
                    ++gStuck->systemErrorCalls;
                }
            },
            nullptr, true);
        return true;
    }();
    ASSERT_TRUE(registered);
    gArmed = true;

    std::thread inCallback([] { notifyReboot(RebootNormal); });
    stuck.entered.get_future().wait();
    auto crash = std::async(std::launch::async, [] { notifyReboot(RebootSystemError); });
    const bool finished = crash.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    stuck.release.set_value();
    inCallback.join();
    crash.wait();
    gStuck = nullptr;
    EXPECT_TRUE(finished);
    EXPECT_EQ(stuck.systemErrorCalls, 1);
}

// Killed at any moment while it writes reboot records, the image leaves one whole record:
// a file emptied and not yet written again would end the chain of system-error reboots.
TEST(RebootRecordTest, KilledWriterLeavesAWholeRecord) {
    lbtest::TempDisk disk;
    EmbeddedTarget& target = EmbeddedTarget::instance();
    const std::string first = recordBytes(3, 4, 1, 0, "");
    target.writeNVData(first.data(), first.size());
    std::mt19937 random(20261211);
    for (int round = 0; round < 100; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (std::uint32_t count = 2;; ++count) {
                const std::string bytes = recordBytes(3, 4, count, 0, "");
                target.writeNVData(bytes.data(), bytes.size());
            }
        }
        usleep(100 + random() % 2000);
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        const std::string bytes = disk.readHostFile(kRecordFile);
        ASSERT_EQ(bytes.size(), 48u) << "round " << round;
        const auto record =
            RebootRecord::fromBytes(reinterpret_cast<const std::uint8_t*>(bytes.data()));
        ASSERT_EQ(record.version, 3u) << "round " << round;
        ASSERT_GE(record.systemErrorReboots, 1u) << "round " << round;
    }
}

}  // namespace
}  // namespace rx_fwk
