#include "kernel/base/LastError.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

TEST(LastErrorTest, EachThreadHasItsOwn) {
    SetLastError(ERROR_ACCESS_DENIED);
    DWORD seen = 0xdeadbeef;
    std::thread other([&] {
        seen = GetLastError();
        SetLastError(ERROR_FILE_NOT_FOUND);
    });
    other.join();
    EXPECT_EQ(seen, ERROR_SUCCESS);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

}  // namespace
