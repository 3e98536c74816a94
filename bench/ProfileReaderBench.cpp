// Look-ups through the kernel's profile reader: an ordinary file scanned on every call, and
// RTOS.INI served from its loaded disk copy and from the built-in copy.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "bench/support/BenchDisk.h"
#include "kernel/boot/Kernel.h"
#include "kernel/profile/Profile.h"

namespace {

std::string gDisk;

void writeHostFile(const std::string& name, const std::string& bytes) {
    std::FILE* f = std::fopen((gDisk + "/" + name).c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

std::string hundredKeys(const char* section) {
    std::string text = std::string("[") + section + "]\r\n";
    for (int i = 0; i < 100; ++i) {
        text += "Key" + std::to_string(i) + " = \"value number " + std::to_string(i) + "\"\r\n";
    }
    return text;
}

void BM_FileStringFirstKey(benchmark::State& state) {
    char buffer[64];
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            GetPrivateProfileStringA("Bench", "Key0", "", buffer, sizeof(buffer), "C:\\p.ini"));
    }
}
BENCHMARK(BM_FileStringFirstKey);

void BM_FileStringLastKey(benchmark::State& state) {
    char buffer[64];
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            GetPrivateProfileStringA("Bench", "Key99", "", buffer, sizeof(buffer), "C:\\p.ini"));
    }
}
BENCHMARK(BM_FileStringLastKey);

void BM_FileIntMissingKey(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(GetPrivateProfileIntA("Bench", "Missing", 7, "C:\\p.ini"));
    }
}
BENCHMARK(BM_FileIntMissingKey);

void BM_RtosIniDiskCopy(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(GetPrivateProfileIntA("Messages", "Key99", 5, "RTOS.INI"));
    }
}
BENCHMARK(BM_RtosIniDiskCopy);

// Not on disk: the disk copy is scanned first, then the built-in one.
void BM_RtosIniBuiltInBehindDisk(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            GetPrivateProfileIntA("Filesystem", "FatCacheSize", 0, "RTOS.INI"));
    }
}
BENCHMARK(BM_RtosIniBuiltInBehindDisk);

}  // namespace

int main(int argc, char** argv) {
    lbbench::BenchDisk disk(argc, argv);
    if (!disk.started()) {
        return 1;
    }
    gDisk = disk.root();
    benchmark::Initialize(&argc, argv);
    writeHostFile("p.ini", hundredKeys("Bench"));
    writeHostFile("RTOS.INI", hundredKeys("Messages"));
    TovEnableDiskProfiles();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
