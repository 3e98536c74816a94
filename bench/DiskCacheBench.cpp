// The disk write cache over a RAM block device, in its default size (64 KB, 16 KB write
// buffer): sectors per second for sequential writes and random reads, and how many device
// writes 1000 sequentially written sectors cost.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstring>
#include <random>
#include <vector>

#include "bench/support/BenchDisk.h"
#include "diag/DiskCache.h"
#include "kernel/storage/BlockDevice.h"

namespace {

constexpr DWORD kDevice = 0x4001;
constexpr DWORD kSectors = 1 << 16;  // 32 MiB
constexpr int kBlocks = 128;
constexpr int kWriteSize = 32;

std::vector<unsigned char> gDisk(std::size_t{kSectors} * kTovSectorSize);
std::atomic<unsigned long> gDeviceWrites{0};

BOOL ramDisk(DWORD, DWORD first, void* buffer, WORD count, BOOL read) {
    unsigned char* at = gDisk.data() + std::size_t{first} * kTovSectorSize;
    if (read) {
        std::memcpy(buffer, at, std::size_t{count} * kTovSectorSize);
    } else {
        std::memcpy(at, buffer, std::size_t{count} * kTovSectorSize);
        ++gDeviceWrites;
    }
    return TRUE;
}

// The cache in front of the RAM disk for one benchmark (or none, for the comparison).
class Cached {
public:
    explicit Cached(bool cache) {
        if (cache) {
            nZUEmbCfg::DiskCacheInstall(kBlocks, kWriteSize);
            nZUEmbCfg::DiskCacheEnable();
        }
    }
    ~Cached() { nZUEmbCfg::DiskCacheUninstall(); }
};

void BM_SequentialWrites(benchmark::State& state) {
    Cached cached(state.range(0) != 0);
    unsigned char sector[kTovSectorSize] = {1};
    DWORD next = 0;
    for (auto _ : state) {
        TovBlockDeviceIo(kDevice, next, sector, 1, FALSE);
        next = (next + 1) % kSectors;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SequentialWrites)->ArgName("cache")->Arg(0)->Arg(1);

// Random single-sector reads within `span` sectors: 64 fit the cache, 4096 mostly miss.
void BM_RandomReads(benchmark::State& state) {
    Cached cached(true);
    const DWORD span = static_cast<DWORD>(state.range(0));
    std::mt19937 random(7);
    std::uniform_int_distribution<DWORD> pick(0, span - 1);
    unsigned char sector[kTovSectorSize];
    for (auto _ : state) {
        TovBlockDeviceIo(kDevice, pick(random), sector, 1, TRUE);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RandomReads)->ArgName("span")->Arg(64)->Arg(4096);

void BM_DeviceWritesPer1000Sectors(benchmark::State& state) {
    unsigned long writes = 0;
    for (auto _ : state) {
        Cached cached(state.range(0) != 0);
        unsigned char sector[kTovSectorSize] = {2};
        gDeviceWrites = 0;
        for (DWORD i = 0; i < 1000; ++i) {
            TovBlockDeviceIo(kDevice, 5000 + i, sector, 1, FALSE);
        }
        nZUEmbCfg::DiskCacheFlush();
        writes = gDeviceWrites;
    }
    state.counters["device_writes"] = static_cast<double>(writes);
}
BENCHMARK(BM_DeviceWritesPer1000Sectors)->ArgName("cache")->Arg(0)->Arg(1)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    lbbench::BenchDisk disk(argc, argv);
    if (!disk.started() || TovRegisterBlockDevice(kDevice, kSectors, &ramDisk) < 0) {
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
