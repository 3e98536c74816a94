#include "app/startup/DllLoadOptions.h"

#include <atomic>

#include "kernel/hw/Machine.h"

namespace rx_fwk {
namespace {
std::atomic<bool> gPrintLoadInfo{false};
std::atomic<bool> gLoadFromHostFirst{false};
}  // namespace

DllLoadOptions readDllLoadOptions(ConfigManager& settings) {
    DllLoadOptions options;
    options.printLoadInfo = settings.getBool("Debug", "PrintDLLLoadInfo", false);
    options.loadFromHostFirst =
        settings.getBool("Debug", "LoadDLLsFromHostFirst", TovBootInfoFlag() == 1);
    return options;
}

DllLoadOptions dllLoadOptions() {
    DllLoadOptions options;
    options.printLoadInfo = gPrintLoadInfo.load();
    options.loadFromHostFirst = gLoadFromHostFirst.load();
    return options;
}

void setDllLoadOptions(const DllLoadOptions& options) {
    gPrintLoadInfo.store(options.printLoadInfo);
    gLoadFromHostFirst.store(options.loadFromHostFirst);
}

}  // namespace rx_fwk
