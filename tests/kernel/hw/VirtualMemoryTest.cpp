#include "kernel/hw/VirtualMemory.h"

#include <gtest/gtest.h>

#include <cstring>

#include "kernel/base/LastError.h"

namespace {

TEST(VirtualMemory, CommittedBlockIsWritableAndReleasedWhole) {
    auto* block =
        static_cast<unsigned char*>(VirtualAlloc(nullptr, 32768, MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(block, nullptr);
    std::memset(block, 0xA5, 32768);
    EXPECT_EQ(block[32767], 0xA5);
    EXPECT_TRUE(VirtualFree(block, 0, MEM_RELEASE));
}

TEST(VirtualMemory, UnsupportedRequestsFail) {
    struct Row {
        std::size_t size;
        DWORD type;
        DWORD protect;
    };
    const Row rows[] = {{0, MEM_COMMIT, PAGE_READWRITE},
                        {4096, MEM_RESERVE, PAGE_READWRITE},
                        {4096, MEM_COMMIT, 0x40}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.size << " " << row.type << " " << row.protect);
        SetLastError(0xdeadbeef);
        EXPECT_EQ(VirtualAlloc(nullptr, row.size, row.type, row.protect), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    }
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(VirtualFree(nullptr, 0, MEM_RELEASE));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

}  // namespace
