#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "kernel/base/LastError.h"
#include "kernel/storage/BlockDevice.h"

namespace {

int gCalls = 0;
bool gFail = false;

BOOL recordingIo(DWORD, DWORD, void* buffer, WORD count, BOOL read) {
    ++gCalls;
    if (read && !gFail) {
        std::memset(buffer, 0xA5, count * kTovSectorSize);
    }
    return gFail ? FALSE : TRUE;
}

BOOL otherIo(DWORD, DWORD, void*, WORD, BOOL) {
    return TRUE;
}

// Each test removes what it registered.
class BlockDeviceTableTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (DWORD device : registered_) {
            TovUnregisterBlockDevice(device);
        }
        gCalls = 0;
        gFail = false;
    }
    int add(DWORD device, ULONGLONG sectors, TovSectorIo io = &recordingIo) {
        int index = TovRegisterBlockDevice(device, sectors, io);
        if (index >= 0) {
            registered_.push_back(device);
        }
        return index;
    }
    std::vector<DWORD> registered_;
};

TEST_F(BlockDeviceTableTest, RegistrationIsRefusedForNullDuplicateAndAFullTable) {
    const int first = add(0x7001, 16);
    ASSERT_GE(first, 0);
    TovBlockDeviceInfo info;
    ASSERT_TRUE(TovGetBlockDevice(first, &info));
    EXPECT_EQ(info.device, 0x7001u);
    EXPECT_EQ(info.sectors, 16u);
    EXPECT_EQ(TovBlockDeviceIndex(0x7001), first);

    struct Row {
        DWORD device;
        TovSectorIo io;
        DWORD error;
    } rows[] = {{0x7002, nullptr, ERROR_INVALID_PARAMETER},
                {0x7001, &otherIo, ERROR_ALREADY_EXISTS}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.device);
        SetLastError(0xdeadbeef);
        EXPECT_EQ(add(row.device, 1, row.io), -1);
        EXPECT_EQ(GetLastError(), row.error);
    }

    DWORD device = 0x7100;
    while (add(device, 1) >= 0) {
        ++device;
    }
    EXPECT_EQ(GetLastError(), ERROR_TOO_MANY_OPEN_FILES);
    EXPECT_EQ(TovBlockDeviceCount(), kTovMaxBlockDevices);

    ASSERT_TRUE(TovUnregisterBlockDevice(0x7001));
    EXPECT_FALSE(TovGetBlockDevice(first, &info));
    EXPECT_EQ(GetLastError(), ERROR_DEV_NOT_EXIST);
    EXPECT_FALSE(TovUnregisterBlockDevice(0x7001));
    EXPECT_EQ(add(0x7003, 1), first);  // the free entry is taken again
}

TEST_F(BlockDeviceTableTest, RequestsGoThroughTheCurrentFunctionWithinTheDevice) {
    const int index = add(0x7201, 8);
    ASSERT_GE(index, 0);
    std::vector<unsigned char> buffer(8 * kTovSectorSize);

    EXPECT_TRUE(TovBlockDeviceIo(0x7201, 6, buffer.data(), 2, TRUE));
    EXPECT_EQ(buffer[0], 0xA5);
    EXPECT_EQ(gCalls, 1);

    struct Row {
        DWORD device;
        DWORD first;
        WORD count;
        BOOL read;
        bool fail;
        DWORD error;
    } rows[] = {
        {0x7201, 7, 2, TRUE, false, ERROR_SECTOR_NOT_FOUND},
        {0x7201, 0xFFFFFFFF, 1, FALSE, false, ERROR_SECTOR_NOT_FOUND},
        {0x7299, 0, 1, TRUE, false, ERROR_DEV_NOT_EXIST},
        {0x7201, 0, 1, TRUE, true, ERROR_READ_FAULT},
        {0x7201, 0, 1, FALSE, true, ERROR_WRITE_FAULT},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.first);
        gFail = row.fail;
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(TovBlockDeviceIo(row.device, row.first, buffer.data(), row.count, row.read));
        EXPECT_EQ(GetLastError(), row.error);
    }

    // A replaced function serves the device until it is put back.
    gFail = false;
    EXPECT_EQ(TovSetSectorIo(index, &otherIo), &recordingIo);
    const int before = gCalls;
    EXPECT_TRUE(TovBlockDeviceIo(0x7201, 0, buffer.data(), 1, TRUE));
    EXPECT_EQ(gCalls, before);
    EXPECT_EQ(TovSetSectorIo(index, &recordingIo), &otherIo);
    EXPECT_EQ(TovSetSectorIo(index, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

}  // namespace
