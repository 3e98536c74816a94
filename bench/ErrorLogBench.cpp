// Cost of one error-log message: the in-memory ring alone, and ring plus file record.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "app/services/ErrorLog.h"
#include "app/services/ErrorLogFile.h"
#include "bench/support/BenchDisk.h"
#include "kernel/boot/Kernel.h"

namespace {

void BM_LogToRing(benchmark::State& state) {
    rx_fwk::ErrorLog* log = nullptr;
    rx_fwk::ErrorLog::create({128, 108, 4096, 0}, nullptr, &log);
    for (auto _ : state) {
        benchmark::DoNotOptimize(log->log(0, 21, 41, "MaxNumMessages", "value of the key"));
    }
    rx_fwk::ErrorLog::destroy(log);
}
BENCHMARK(BM_LogToRing);

void BM_LogToRingAndFile(benchmark::State& state) {
    rx_fwk::ErrorLog* log = nullptr;
    rx_fwk::ErrorLog::create({128, 108, 4096, 0}, rx_fwk::openErrorLogFile("C:\\errlog.txt"), &log);
    for (auto _ : state) {
        benchmark::DoNotOptimize(log->log(0, 21, 41, "MaxNumMessages", "value of the key"));
    }
    rx_fwk::ErrorLog::destroy(log);
}
BENCHMARK(BM_LogToRingAndFile);

}  // namespace

int main(int argc, char** argv) {
    lbbench::BenchDisk disk(argc, argv);
    if (!disk.started()) {
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
