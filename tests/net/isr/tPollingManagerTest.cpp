#include "net/isr/tPollingManager.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "config/ConfigManager.h"
#include "kernel/threads/Sync.h"
#include "kernel/time/Time.h"
#include "tests/support/TempDisk.h"

namespace {

using rxfwk_isr::tPollingManager;

// Has work for its first `busy` polls; counts polls and services.
class Handler : public rxfwk_isr::IntHandler {
public:
    explicit Handler(int busy = 0) : busy_(busy) {}
    bool Poll() override {
        polls.fetch_add(1);
        return busy_.fetch_sub(1) > 0;
    }
    void Service(std::uint32_t irq) override {
        EXPECT_EQ(irq, 0u);
        services.fetch_add(1);
    }
    std::atomic<int> polls{0};
    std::atomic<int> services{0};

private:
    std::atomic<int> busy_;
};

// Waits (bounded) until `done` holds; the bound only ends a failing test.
template <typename F>
bool eventually(F done) {
    for (int i = 0; i < 10000 && !done(); ++i) {
        Sleep(1);
    }
    return done();
}

class PollingManager : public ::testing::Test {
protected:
    rx_fwk::ConfigManager& settings() { return rx_fwk::ConfigManager::instance(); }
    lbtest::TempDisk disk_;
};

TEST_F(PollingManager, TheDelaySettingIsLimited) {
    struct Row {
        std::optional<int> setting;
        int delay;
    };
    const Row rows[] = {{std::nullopt, 1}, {0, 1},         {-5, 1},       {1, 1},
                        {250, 250},        {10000, 10000}, {50000, 10000}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.setting.value_or(-999));
        if (row.setting) {
            settings().setInt("kora", "RTEnetPollingDelay", *row.setting);
        } else {
            settings().removeKey("kora", "RTEnetPollingDelay");
        }
        tPollingManager manager;
        EXPECT_FALSE(manager.disabled());
        EXPECT_EQ(manager.delay(), row.delay);
    }
}

TEST_F(PollingManager, TheTableHoldsThirtyTwoHandlersWithoutGaps) {
    tPollingManager manager;
    Handler handlers[tPollingManager::kSlots + 1];
    for (int i = 0; i < tPollingManager::kSlots; ++i) {
        ASSERT_EQ(manager.RegisterIntHandler(&handlers[i]), 0) << i;
    }
    EXPECT_EQ(manager.RegisterIntHandler(&handlers[tPollingManager::kSlots]), 1);
    EXPECT_EQ(manager.count(), tPollingManager::kSlots);
    EXPECT_EQ(manager.handler(31), &handlers[31]);

    for (int i = tPollingManager::kSlots - 1; i >= 3; --i) {
        manager.UnregisterIntHandler(&handlers[i]);
    }
    // Removing slot 0 of three moves the others down.
    manager.UnregisterIntHandler(&handlers[0]);
    EXPECT_EQ(manager.count(), 2);
    EXPECT_EQ(manager.handler(0), &handlers[1]);
    EXPECT_EQ(manager.handler(1), &handlers[2]);
    EXPECT_EQ(manager.handler(2), nullptr);
    // A handler that is not there changes nothing; a null one is refused.
    manager.UnregisterIntHandler(&handlers[0]);
    EXPECT_EQ(manager.RegisterIntHandler(nullptr), 1);
    EXPECT_EQ(manager.count(), 2);
    // The same handler twice takes two slots; removal takes the first.
    EXPECT_EQ(manager.RegisterIntHandler(&handlers[1]), 0);
    manager.UnregisterIntHandler(&handlers[1]);
    EXPECT_EQ(manager.handler(0), &handlers[2]);
    EXPECT_EQ(manager.handler(1), &handlers[1]);
    EXPECT_EQ(manager.count(), 2);
}

TEST_F(PollingManager, AHandlerWithWorkIsServicedAndAZeroDelayPollsWithoutPause) {
    settings().setInt("kora", "RTEnetPollingDelay", 10000);
    tPollingManager manager;
    Handler handler(3);
    ASSERT_EQ(manager.RegisterIntHandler(&handler), 0);
    manager.SetDelay(0);
    EXPECT_EQ(manager.delay(), 0);
    // With a period of 10 s only the zero delay gets a hundred polls done.
    EXPECT_TRUE(eventually([&] { return handler.polls.load() >= 100; }));
    EXPECT_EQ(handler.services.load(), 3);
    manager.UnregisterIntHandler(&handler);
    settings().removeKey("kora", "RTEnetPollingDelay");
}

TEST_F(PollingManager, TheThreadSleepsWhileNothingIsRegistered) {
    tPollingManager manager;  // period 1 ms
    const unsigned long before = manager.wakeups();
    Sleep(1000);
    EXPECT_EQ(manager.wakeups(), before);

    Handler handler;
    ASSERT_EQ(manager.RegisterIntHandler(&handler), 0);
    EXPECT_TRUE(eventually([&] { return handler.polls.load() >= 20; }));
    manager.UnregisterIntHandler(&handler);
    const int polls = handler.polls.load();
    Sleep(100);
    EXPECT_EQ(handler.polls.load(), polls);  // removed under the lock the polling holds
}

TEST_F(PollingManager, TheDebugSettingPrintsEveryStep) {
    settings().setBool("KORA", "RTDebugPolling", true);
    settings().setInt("kora", "RTEnetPollingDelay", 7);
    Handler handler;
    char address[32];
    std::snprintf(address, sizeof address, "%lX",
                  static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(&handler)));
    ::testing::internal::CaptureStdout();
    {
        tPollingManager manager;
        EXPECT_EQ(manager.RegisterIntHandler(&handler), 0);
        manager.UnregisterIntHandler(&handler);
    }
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              std::string("PollingManager Delay 7...\n"
                          "RTENET/SLEEP worker thread ready\n"
                          "Device registered: [0]  = ") +
                  address + "\nDevice unregistered: [0] = " + address +
                  "\nRTENET/SLEEP worker thread is going bye bye\n");
    settings().removeKey("KORA", "RTDebugPolling");
    settings().removeKey("kora", "RTEnetPollingDelay");
}

// A manager whose kernel objects could not be made.
class WithoutObjects : public tPollingManager {
public:
    WithoutObjects() : tPollingManager(nullptr, CreateMutexA(nullptr, FALSE, nullptr)) {}
};

TEST_F(PollingManager, WithoutItsKernelObjectsTheManagerIsDisabled) {
    ::testing::internal::CaptureStdout();
    WithoutObjects manager;
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "Error detected! tPollingManager Disabled!\n");
    EXPECT_TRUE(manager.disabled());
    Handler handler;
    EXPECT_EQ(manager.RegisterIntHandler(&handler), 2);
    manager.UnregisterIntHandler(&handler);
    manager.SetDelay(5);
    EXPECT_EQ(manager.count(), 0);
}

TEST_F(PollingManager, TheExportedDelayCallSetsTheProgramsManager) {
    PollingManagerSetDelay(0);
    EXPECT_EQ(tPollingManager::Instance()->delay(), 0);
    PollingManagerSetDelay(25);
    EXPECT_EQ(tPollingManager::Instance()->delay(), 25);
    tPollingManager::Instance()->Stop();
}

}  // namespace
