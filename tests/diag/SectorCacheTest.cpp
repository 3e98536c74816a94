#include "diag/SectorCache.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/RamBlockDevice.h"

namespace nZUEmbCfg {
namespace {

using lbtest::RamBlockDevice;
using Request = RamBlockDevice::Request;

constexpr std::size_t kSector = kTovSectorSize;

std::string sectorOf(char value) {
    return std::string(kSector, value);
}

// A cache over two RAM devices, reached through the kernel's device table.
class SectorCacheTest : public ::testing::Test {
protected:
    void write(RamBlockDevice& device, DWORD sector, char value) {
        const std::string data = sectorOf(value);
        ASSERT_TRUE(cache_.write(device.handle(), sector, data.data(), 1));
    }
    std::string read(RamBlockDevice& device, DWORD first, WORD count) {
        std::string data(count * kSector, '?');
        EXPECT_TRUE(cache_.read(device.handle(), first, data.data(), count));
        return data;
    }

    RamBlockDevice a_{0x6001, 64};
    RamBlockDevice b_{0x6002, 64};
    SectorCache cache_{&TovBlockDeviceIo};
};

TEST_F(SectorCacheTest, FlushWritesRunsOfConsecutiveDirtySectors) {
    struct Row {
        int writeSize;
        std::vector<DWORD> onA;
        std::vector<DWORD> onB;
        std::vector<Request> expected;
    };
    const Row rows[] = {
        {16, {10, 11}, {}, {{0x6001, 10, 2, false}}},
        {16, {10, 12}, {}, {{0x6001, 10, 1, false}, {0x6001, 12, 1, false}}},
        {16, {12, 10, 11}, {}, {{0x6001, 10, 3, false}}},
        {2, {10, 11, 12}, {}, {{0x6001, 10, 2, false}, {0x6001, 12, 1, false}}},
        {1, {10, 11}, {}, {{0x6001, 10, 1, false}, {0x6001, 11, 1, false}}},
        {0, {10, 11}, {}, {{0x6001, 10, 1, false}, {0x6001, 11, 1, false}}},
        // A device of its own is never part of another device's run.
        {16, {11}, {10, 12, 11}, {{0x6001, 11, 1, false}, {0x6002, 10, 3, false}}},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        const Row& row = rows[i];
        ASSERT_EQ(cache_.configure(8, row.writeSize), 0);
        a_.clearRequests();
        b_.clearRequests();
        for (DWORD sector : row.onA) {
            write(a_, sector, static_cast<char>('A' + sector));
        }
        for (DWORD sector : row.onB) {
            write(b_, sector, static_cast<char>('a' + sector));
        }
        EXPECT_TRUE(a_.writes().empty());  // written back only by a flush
        cache_.flushAll(false);
        std::vector<Request> written = a_.writes();
        for (const Request& request : b_.writes()) {
            written.push_back(request);
        }
        EXPECT_EQ(written, row.expected);
        EXPECT_EQ(cache_.dirtyCount(), 0);
        for (DWORD sector : row.onA) {
            EXPECT_EQ(a_.sector(sector), sectorOf(static_cast<char>('A' + sector)));
        }
        cache_.flushAll(false);
        EXPECT_EQ(a_.writes().size() + b_.writes().size(), row.expected.size());  // clean now
    }
}

TEST_F(SectorCacheTest, AReadAroundACachedSectorTakesThatSectorFromTheCache) {
    ASSERT_EQ(cache_.configure(16, 4), 0);
    for (DWORD sector = 0; sector < 10; ++sector) {
        a_.fill(sector, static_cast<char>('0' + sector));
    }
    write(a_, 5, 'x');  // newer than the device's copy
    const std::string data = read(a_, 0, 10);
    EXPECT_EQ(a_.requests(), (std::vector<Request>{{0x6001, 0, 5, true}, {0x6001, 6, 4, true}}));
    EXPECT_EQ(data.substr(4 * kSector, kSector), sectorOf('4'));
    EXPECT_EQ(data.substr(5 * kSector, kSector), sectorOf('x'));
    EXPECT_EQ(data.substr(9 * kSector, kSector), sectorOf('9'));

    a_.clearRequests();
    EXPECT_EQ(read(a_, 0, 10), data);  // all of it is cached now
    EXPECT_TRUE(a_.requests().empty());

    a_.failWhen([](const Request& request) { return request.read; });
    std::string buffer(kSector, '?');
    EXPECT_FALSE(cache_.read(a_.handle(), 20, buffer.data(), 1));
}

TEST_F(SectorCacheTest, TheLeastRecentlyUsedSlotGoesAndADirtyOneFlushesFirst) {
    ASSERT_EQ(cache_.configure(3, 4), 0);
    write(a_, 1, 'd');  // dirty, and the oldest once two more are read
    read(a_, 10, 1);
    read(a_, 11, 1);
    a_.clearRequests();

    read(a_, 20, 1);  // storing it evicts sector 1: the whole cache is written first
    EXPECT_EQ(a_.requests(), (std::vector<Request>{{0x6001, 20, 1, true}, {0x6001, 1, 1, false}}));
    EXPECT_EQ(cache_.forcedFlushes(), 1u);
    EXPECT_EQ(a_.sector(1), sectorOf('d'));

    a_.clearRequests();
    read(a_, 10, 1);  // still cached, and now the most recent
    read(a_, 30, 1);  // evicts 11, the least recently used
    read(a_, 10, 1);
    read(a_, 11, 1);
    EXPECT_EQ(a_.requests(), (std::vector<Request>{{0x6001, 30, 1, true}, {0x6001, 11, 1, true}}));
    EXPECT_EQ(cache_.forcedFlushes(), 1u);  // clean victims cost no flush
}

TEST_F(SectorCacheTest, AFailedWriteDiscardsItsRunOnceWithAWarning) {
    struct Row {
        int writeSize;
        std::vector<DWORD> sectors;
        DWORD failing;  // writes that include this sector fail
        int warnings;
        std::vector<DWORD> kept;  // still on the device afterwards
    };
    const Row rows[] = {
        {16, {3, 4, 5}, 4, 1, {}},
        {16, {3, 4, 8}, 8, 1, {3, 4}},
        {2, {3, 4, 5}, 4, 1, {5}},
        {1, {3, 4, 5}, 4, 1, {3, 5}},
    };
    const std::string warning = "WARNING: flush from cache to disk failed - data discarded.\n";
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        const Row& row = rows[i];
        RamBlockDevice device(0x6100 + static_cast<DWORD>(i), 16);
        ASSERT_EQ(cache_.configure(8, row.writeSize), 0);
        device.failWhen([&row](const Request& request) {
            return !request.read && request.first <= row.failing &&
                   row.failing < request.first + request.count;
        });
        for (DWORD sector : row.sectors) {
            write(device, sector, 'n');
        }
        testing::internal::CaptureStderr();
        cache_.flushAll(false);
        cache_.flushAll(false);  // nothing left to write, nothing to warn about again
        const std::string err = testing::internal::GetCapturedStderr();
        std::size_t warnings = 0;
        for (std::size_t at = err.find(warning); at != std::string::npos;
             at = err.find(warning, at + 1)) {
            ++warnings;
        }
        EXPECT_EQ(warnings, static_cast<std::size_t>(row.warnings)) << err;
        EXPECT_EQ(cache_.dirtyCount(), 0);
        for (DWORD sector : row.sectors) {
            const bool kept = std::find(row.kept.begin(), row.kept.end(), sector) != row.kept.end();
            EXPECT_EQ(device.sector(sector), kept ? sectorOf('n') : sectorOf('\0')) << sector;
        }
        // The discarded sectors are no longer cached: the device answers for them.
        device.clearRequests();
        read(device, row.failing, 1);
        EXPECT_EQ(device.requests().size(), 1u);
        cache_.release();
    }
}

TEST(SectorCacheSizes, FewerThanOneBlockIsRefused) {
    SectorCache cache(&TovBlockDeviceIo);
    EXPECT_EQ(cache.configure(0, 4), SectorCache::kNoBlocks);
    EXPECT_EQ(cache.configure(-1, 4), SectorCache::kNoBlocks);
    EXPECT_EQ(cache.blockCount(), 0);
    EXPECT_EQ(cache.configure(4, 8), 0);
    EXPECT_EQ(cache.writeSize(), 8);
}

}  // namespace
}  // namespace nZUEmbCfg
