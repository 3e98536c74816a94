// Open, read and close of ethernet.ini: from the image's archive on B:, and the same bytes
// from a host file on C:.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "bench/support/BenchDisk.h"
#include "kernel/base/Handle.h"
#include "kernel/boot/Kernel.h"
#include "kernel/fs/File.h"

namespace {

void openReadClose(benchmark::State& state, const char* path) {
    char buffer[512];
    for (auto _ : state) {
        HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            state.SkipWithError("open failed");
            return;
        }
        DWORD read = 0;
        ReadFile(file, buffer, sizeof buffer, &read, nullptr);
        CloseHandle(file);
        benchmark::DoNotOptimize(read);
    }
}

void BM_ArchiveDriveB(benchmark::State& state) {
    openReadClose(state, "B:\\ethernet.ini");
}
void BM_HostDriveC(benchmark::State& state) {
    openReadClose(state, "C:\\ethernet.ini");
}

BENCHMARK(BM_ArchiveDriveB);
BENCHMARK(BM_HostDriveC);

// C: gets a copy of B:'s ethernet.ini.
bool prepareDisk() {
    char content[512];
    DWORD read = 0;
    HANDLE from = CreateFileA("B:\\ethernet.ini", GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE to = CreateFileA("C:\\ethernet.ini", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    bool copied = from != INVALID_HANDLE_VALUE && to != INVALID_HANDLE_VALUE &&
                  ReadFile(from, content, sizeof content, &read, nullptr) &&
                  WriteFile(to, content, read, &read, nullptr);
    CloseHandle(from);
    CloseHandle(to);
    return copied;
}

}  // namespace

int main(int argc, char** argv) {
    lbbench::BenchDisk disk(argc, argv);
    if (!disk.started() || !prepareDisk()) {
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
