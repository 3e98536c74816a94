#include "diag/DiskCache.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/services/RebootNotifier.h"
#include "kernel/base/Handle.h"
#include "kernel/fs/File.h"
#include "kernel/fs/FileSystemOperations.h"
#include "kernel/heap/Heap.h"
#include "kernel/time/Time.h"
#include "tests/support/RamBlockDevice.h"
#include "tests/support/ScopedHeapLimit.h"

namespace nZUEmbCfg {
namespace {

using lbtest::RamBlockDevice;
using Request = RamBlockDevice::Request;

constexpr DWORD kSector = kTovSectorSize;

TovSectorIo currentDriver(const RamBlockDevice& device) {
    TovBlockDeviceInfo info{};
    TovGetBlockDevice(device.index(), &info);
    return info.sectorIo;
}

class DiskCacheTest : public ::testing::Test {
protected:
    void TearDown() override { DiskCacheUninstall(); }

    BOOL writeSector(DWORD sector, char value) {
        std::string data(kSector, value);
        return TovBlockDeviceIo(device_.handle(), sector, data.data(), 1, FALSE);
    }

    // Waits up to five seconds for the device to see `count` writes.
    bool waitForWrites(std::size_t count) {
        for (int i = 0; i < 500 && device_.writes().size() < count; ++i) {
            Sleep(10);
        }
        return device_.writes().size() >= count;
    }

    RamBlockDevice device_{0x5001, 128};
};

TEST_F(DiskCacheTest, OperationsAnswerTheirErrorNumbers) {
    struct Row {
        const char* name;
        int (*operation)();
        int expected;
    };
    const Row notInstalled[] = {
        {"uninstall", &DiskCacheUninstall, kDiskCacheNotInstalled},
        {"enable", &DiskCacheEnable, kDiskCacheNotInstalled},
        {"disable", &DiskCacheDisable, kDiskCacheNotInstalled},
        {"enable thread", &DiskCacheEnableThread, kDiskCacheNotInstalled},
        {"flush", &DiskCacheFlush, kDiskCacheNotInstalled},
        {"interval", [] { return DiskCacheSetInterval(5); }, kDiskCacheNotInstalled},
        {"priority", [] { return DiskCacheSetPriority(0); }, kDiskCacheNotInstalled},
        {"no blocks", [] { return DiskCacheInstall(0, 4); }, kDiskCacheNoBlocks},
        {"after a failed install", &DiskCacheEnable, kDiskCacheNotInstalled},
    };
    for (const Row& row : notInstalled) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.operation(), row.expected);
    }
    {
        // 32 MiB of sectors where the heap has 1 MiB left: nothing stays installed.
        lbtest::ScopedHeapLimit limit(TovHeapInUse() + (1u << 20));
        EXPECT_EQ(DiskCacheInstall(1 << 16, 32), kDiskCacheNoMemory);
    }
    EXPECT_EQ(currentDriver(device_), RamBlockDevice::driver());
    EXPECT_FALSE(DiskCacheEnabled());
    EXPECT_EQ(DiskCacheBlockCount() + DiskCacheWriteSize() + DiskCacheIntervalSeconds(), 0);

    ASSERT_EQ(DiskCacheInstall(16, 4), 0);
    const Row installed[] = {
        {"priority 3", [] { return DiskCacheSetPriority(3); }, kDiskCacheBadPriority},
        {"priority -3", [] { return DiskCacheSetPriority(-3); }, kDiskCacheBadPriority},
        {"priority -2", [] { return DiskCacheSetPriority(-2); }, 0},
        {"interval 0", [] { return DiskCacheSetInterval(0); }, kDiskCacheBadInterval},
        {"interval -1", [] { return DiskCacheSetInterval(-1); }, kDiskCacheBadInterval},
        {"interval 7", [] { return DiskCacheSetInterval(7); }, 0},
        {"enable thread", &DiskCacheEnableThread, 0},
        {"enable", &DiskCacheEnable, 0},
        {"flush", &DiskCacheFlush, 0},
        {"disable", &DiskCacheDisable, 0},
    };
    for (const Row& row : installed) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.operation(), row.expected);
    }
    EXPECT_EQ(DiskCachePriority(), -2);
    EXPECT_EQ(DiskCacheIntervalSeconds(), 7);
    EXPECT_EQ(DiskCacheBlockCount(), 16);
    EXPECT_EQ(DiskCacheWriteSize(), 4);
    EXPECT_FALSE(DiskCacheEnabled());
    EXPECT_TRUE(DiskCacheThreadEnabled());
}

TEST_F(DiskCacheTest, InstalledCacheServesTheDeviceAndUninstallRestoresItsDriver) {
    const TovHandleOperation close = TovGetFileSystemOperation(TOV_FSOP_CLOSE_HANDLE);
    const TovHandleOperation flush = TovGetFileSystemOperation(TOV_FSOP_FLUSH_FILE_BUFFERS);
    ASSERT_EQ(DiskCacheInstall(16, 8), 0);
    EXPECT_NE(currentDriver(device_), RamBlockDevice::driver());
    EXPECT_NE(TovGetFileSystemOperation(TOV_FSOP_CLOSE_HANDLE), close);
    EXPECT_NE(TovGetFileSystemOperation(TOV_FSOP_FLUSH_FILE_BUFFERS), flush);

    // Installed but not enabled: every request goes straight to the device.
    ASSERT_TRUE(writeSector(1, 'a'));
    EXPECT_EQ(device_.writes().size(), 1u);

    ASSERT_EQ(DiskCacheEnable(), 0);
    ASSERT_TRUE(writeSector(2, 'b'));
    ASSERT_TRUE(writeSector(3, 'c'));
    EXPECT_EQ(device_.writes().size(), 1u);
    EXPECT_EQ(DiskCacheStatisticsNow().dirty, 2);

    // Uninstalling writes what was cached, then the device's own driver is back.
    ASSERT_EQ(DiskCacheUninstall(), 0);
    EXPECT_EQ(device_.writes().back(), (Request{0x5001, 2, 2, false}));
    EXPECT_EQ(device_.sector(3), std::string(kSector, 'c'));
    EXPECT_EQ(currentDriver(device_), RamBlockDevice::driver());
    EXPECT_EQ(TovGetFileSystemOperation(TOV_FSOP_CLOSE_HANDLE), close);
    EXPECT_EQ(TovGetFileSystemOperation(TOV_FSOP_FLUSH_FILE_BUFFERS), flush);
    EXPECT_EQ(DiskCacheUninstall(), kDiskCacheNotInstalled);

    // The reboot callback uninstalls too, also after a system error.
    for (int reason : {rx_fwk::RebootNormal, rx_fwk::RebootSystemError}) {
        SCOPED_TRACE(reason);
        ASSERT_EQ(DiskCacheInstall(4, 2), 0);
        DiskCacheRebootCallback(reason, nullptr);
        EXPECT_EQ(currentDriver(device_), RamBlockDevice::driver());
        EXPECT_EQ(DiskCacheBlockCount(), 0);
    }
}

TEST_F(DiskCacheTest, ClosingOrFlushingAFileWritesTheCacheBack) {
    ASSERT_EQ(DiskCacheInstall(16, 8), 0);
    ASSERT_EQ(DiskCacheEnable(), 0);
    const std::string path = "\\\\.\\PhysicalDrive" + std::to_string(device_.index());
    HANDLE drive = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(drive, INVALID_HANDLE_VALUE);
    std::string data(3 * kSector, 'w');
    DWORD done = 0;
    SetFilePointer(drive, 4 * kSector, nullptr, FILE_BEGIN);
    ASSERT_TRUE(WriteFile(drive, data.data(), 3 * kSector, &done, nullptr));
    EXPECT_TRUE(device_.writes().empty());
    ASSERT_TRUE(FlushFileBuffers(drive));
    EXPECT_EQ(device_.writes(), (std::vector<Request>{{0x5001, 4, 3, false}}));

    SetFilePointer(drive, 0, nullptr, FILE_BEGIN);
    ASSERT_TRUE(WriteFile(drive, data.data(), kSector, &done, nullptr));
    EXPECT_EQ(device_.writes().size(), 1u);
    ASSERT_TRUE(CloseHandle(drive));
    EXPECT_EQ(device_.writes().back(), (Request{0x5001, 0, 1, false}));
    EXPECT_FALSE(CloseHandle(drive));  // the wrapped close still answers for itself
}

TEST_F(DiskCacheTest, FlushThreadWritesOneIntervalAfterTheFirstChangeAndThenSleeps) {
    constexpr unsigned kIntervalMs = 200;
    ASSERT_EQ(DiskCacheInstall(16, 8), 0);
    ASSERT_EQ(DiskCacheEnable(), 0);
    ASSERT_EQ(DiskCacheEnableThread(), 0);
    ASSERT_EQ(DiskCacheSetIntervalMilliseconds(kIntervalMs), 0);

    const DWORD start = GetTickCount();
    ASSERT_TRUE(writeSector(9, 'q'));
    ASSERT_TRUE(waitForWrites(1));
    EXPECT_GE(GetTickCount() - start, kIntervalMs - 10);
    EXPECT_EQ(device_.writes(), (std::vector<Request>{{0x5001, 9, 1, false}}));
    EXPECT_EQ(DiskCacheStatisticsNow().threadFlushes, 1u);

    // Nothing dirty: no flush however many intervals pass.
    Sleep(4 * kIntervalMs);
    EXPECT_EQ(DiskCacheStatisticsNow().threadFlushes, 1u);

    // The next change wakes it again.
    ASSERT_TRUE(writeSector(10, 'r'));
    ASSERT_TRUE(waitForWrites(2));
    EXPECT_EQ(DiskCacheStatisticsNow().threadFlushes, 2u);

    ASSERT_EQ(DiskCacheDisable(), 0);  // stops and joins the thread
    EXPECT_FALSE(DiskCacheEnabled());

    // Sectors cached while no thread ran are written one interval after it starts.
    ASSERT_EQ(DiskCacheInstall(16, 8), 0);
    ASSERT_EQ(DiskCacheSetIntervalMilliseconds(kIntervalMs), 0);
    ASSERT_EQ(DiskCacheEnable(), 0);
    ASSERT_TRUE(writeSector(11, 's'));
    ASSERT_EQ(DiskCacheEnableThread(), 0);
    EXPECT_TRUE(waitForWrites(3));
}

}  // namespace
}  // namespace nZUEmbCfg
