#include "diag/OutOfMemoryHandler.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/services/Log.h"
#include "app/services/LoggingSetup.h"
#include "config/ConfigManager.h"
#include "kernel/heap/LocalMemory.h"
#include "tests/support/ScopedHeapLimit.h"
#include "tests/support/TempDisk.h"

namespace {

using nZUEmbCfg::OutOfMemoryHandler;

class OutOfMemory : public ::testing::Test {
protected:
    void SetUp() override {
        disk_.writeHostFile("zu-rt.ini", "[rtlog]\r\nFilterLogLevel=Informational\r\n");
        auto settings = rx_fwk::ConfigManager::create("C:\\zu-rt.ini");
        ASSERT_EQ(rx_fwk::setUpLogging(*settings, "C:\\errlog.txt"), 0);
    }
    void TearDown() override { rx_fwk::closeErrorLog(); }

    static std::vector<std::string> logged() {
        std::vector<std::string> lines;
        rx_fwk::ErrorLogMessage message;
        for (std::size_t i = 0; rx_fwk::readErrorLog(i, message); ++i) {
            lines.push_back(std::to_string(message.level) + " " + std::to_string(message.code) +
                            " " + std::to_string(message.subCode) + " " + message.firstText + "|" +
                            message.secondText);
        }
        return lines;
    }

    lbtest::TempDisk disk_;
};

// Only a failure smaller than every one logged before is logged. Each refused request is
// told twice, the heap's growth first.
TEST_F(OutOfMemory, FailuresThroughTheHeapLimitAreLoggedWhenSmallerThanBefore) {
    OutOfMemoryHandler handler;
    ASSERT_TRUE(TovRegisterEventHandler(TOV_EVENT_HEAP_FAILURE, &OutOfMemoryHandler::onHeapFailure,
                                        &handler, TOV_EVENT_ADD));
    {
        lbtest::ScopedHeapLimit limit(1);
        for (const SIZE_T bytes : {4096, 8192, 4096, 100}) {
            EXPECT_EQ(LocalAlloc(LMEM_FIXED, bytes), nullptr);
        }
    }
    TovRegisterEventHandler(TOV_EVENT_HEAP_FAILURE, &OutOfMemoryHandler::onHeapFailure, &handler,
                            TOV_EVENT_REMOVE);
    EXPECT_EQ(logged(), (std::vector<std::string>{"1 13 41 failed to grow heap by 8192 bytes|",
                                                  "1 13 41 failed to allocate 4096 bytes|",
                                                  "1 13 41 failed to allocate 100 bytes|"}));
    EXPECT_STREQ(handler.lastMessage(), "failed to allocate 100 bytes");
}

TEST_F(OutOfMemory, EachKindHasItsTextAndAnUnknownKindIsIgnored) {
    OutOfMemoryHandler handler;
    const TovHeapFailure failures[] = {
        {10, 3},  // unknown: no text, and the smallest size stays
        {5000000000ull, TOV_HEAP_ALLOCATION_FAILED},
        {5000, TOV_HEAP_REALLOCATION_FAILED},
        {5000, TOV_HEAP_CANNOT_GROW},
        {4999, TOV_HEAP_CANNOT_GROW},
    };
    for (const TovHeapFailure& failure : failures) {
        EXPECT_EQ(handler.handle(failure), 1u);
    }
    EXPECT_EQ(logged(), (std::vector<std::string>{"1 13 41 failed to allocate 5000000000 bytes|",
                                                  "1 13 41 failed to reallocate 5000 bytes|",
                                                  "1 13 41 failed to grow heap by 4999 bytes|"}));
}

TEST_F(OutOfMemory, TheInstallLineTellsUsedAndFreeMemory) {
    {
        lbtest::ScopedHeapLimit limit(64ull << 20);
        nZUEmbCfg::installOutOfMemoryHandler();
    }
    TovRegisterEventHandler(TOV_EVENT_HEAP_FAILURE, &OutOfMemoryHandler::onHeapFailure, nullptr,
                            TOV_EVENT_REMOVE);
    const std::vector<std::string> lines = logged();
    ASSERT_EQ(lines.size(), 1u);
    double used = 0;
    double free = 0;
    ASSERT_EQ(std::sscanf(lines[0].c_str(),
                          "2 0 41 out-of-memory handler installed; memory used: %lf Mb, free: "
                          "%lf Mb|",
                          &used, &free),
              2)
        << lines[0];
    EXPECT_NEAR(used + free, 64.0, 0.06);
    EXPECT_NEAR(used, TovHeapInUse() / 1048576.0, 0.1);
}

}  // namespace
