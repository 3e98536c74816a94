// Test entry point: each test program starts the kernel on a scratch disk first.
#include <gtest/gtest.h>

#include "tests/support/TempDisk.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    lbtest::startKernelOnScratchDisk(argc, argv);
    return RUN_ALL_TESTS();
}
