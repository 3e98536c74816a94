// Get and set through the settings store on a file of 100 keys. A get on an unchanged file
// only checks the last-write time; compare it with the get that follows an outside edit.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "bench/support/BenchDisk.h"
#include "config/ConfigManager.h"
#include "kernel/boot/Kernel.h"

namespace {

std::string gDisk;

std::string hostPath() {
    return gDisk + "/bench.ini";
}

void writeHostFile(const std::string& bytes) {
    std::FILE* f = std::fopen(hostPath().c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

std::unique_ptr<rx_fwk::ConfigManager> freshStore() {
    std::string text = "[Bench]\r\n";
    for (int i = 0; i < 100; ++i) {
        text += "Key" + std::to_string(i) + "=value number " + std::to_string(i) + "\r\n";
    }
    writeHostFile(text);
    auto store = rx_fwk::ConfigManager::create("C:\\bench.ini");
    store->getString("Bench", "Key0", "");  // loaded once
    return store;
}

void BM_GetUnchangedFile(benchmark::State& state) {
    auto store = freshStore();
    for (auto _ : state) {
        benchmark::DoNotOptimize(store->getString("Bench", "Key57", ""));
    }
}
BENCHMARK(BM_GetUnchangedFile);

void BM_GetIntUnchangedFile(benchmark::State& state) {
    auto store = freshStore();
    for (auto _ : state) {
        benchmark::DoNotOptimize(store->getInt("Bench", "Key57", 0));
    }
}
BENCHMARK(BM_GetIntUnchangedFile);

void BM_GetAfterOutsideEdit(benchmark::State& state) {
    auto store = freshStore();
    long tick = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const struct timespec times[2] = {{0, UTIME_OMIT}, {1000000 + ++tick, 0}};
        utimensat(AT_FDCWD, hostPath().c_str(), times, 0);
        state.ResumeTiming();
        benchmark::DoNotOptimize(store->getString("Bench", "Key57", ""));
    }
}
BENCHMARK(BM_GetAfterOutsideEdit);

void BM_SetSameValue(benchmark::State& state) {
    auto store = freshStore();
    for (auto _ : state) {
        benchmark::DoNotOptimize(store->setString("Bench", "Key57", "value number 57"));
    }
}
BENCHMARK(BM_SetSameValue);

// Every change rewrites and flushes the whole file.
void BM_SetNewValue(benchmark::State& state) {
    auto store = freshStore();
    int value = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(store->setInt("Bench", "Key57", ++value));
    }
}
BENCHMARK(BM_SetNewValue)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    lbbench::BenchDisk disk(argc, argv);
    if (!disk.started()) {
        return 1;
    }
    gDisk = disk.root();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
