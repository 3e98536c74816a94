// The cache's settings, their checks, and what the error log is told.
#include "diag/InitDiskCache.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <vector>

#include "app/services/Log.h"
#include "app/services/RebootNotifier.h"
#include "config/ConfigManager.h"
#include "diag/DebugTrace.h"
#include "diag/DiskCache.h"

namespace nZUEmbCfg {
namespace {

constexpr char kSection[] = "kora";
constexpr char kEnable[] = "RTTarget.DiskCache.Enable";
constexpr char kSize[] = "RTTarget.DiskCache.SizeInKb";
constexpr char kWriteSize[] = "RTTarget.DiskCache.WriteSizeInKb";
constexpr char kThreadEnable[] = "RTTarget.DiskCache.Thread.Enable";
constexpr char kInterval[] = "RTTarget.DiskCache.Thread.IntervalInSecs";
constexpr char kPriority[] = "RTTarget.DiskCache.Thread.Priority";

constexpr int kDefaultSize = 64;
constexpr int kDefaultWriteSize = 16;
constexpr int kMaxWriteSize = 128;
constexpr int kDefaultInterval = 1;
constexpr int kDefaultPriority = 1;
constexpr int kSubCode = 41;

struct Settings {
    bool enable;
    int sizeKb;
    int writeSizeKb;
    bool threadEnable;
    int intervalSeconds;
    int priority;
};

Settings readSettings(rx_fwk::ConfigManager& config) {
    Settings s;
    s.enable = config.getBool(kSection, kEnable, true);
    s.sizeKb = config.getInt(kSection, kSize, kDefaultSize);
    if (s.sizeKb < 0) {
        debugTrace("InitDiskCache:  Illegal value for %s: %d (must be >= 0). Using default of %d\n",
                   kSize, s.sizeKb, kDefaultSize);
        s.sizeKb = kDefaultSize;
    }
    s.writeSizeKb = config.getInt(kSection, kWriteSize, kDefaultWriteSize);
    if (s.writeSizeKb < 0 || s.writeSizeKb > kMaxWriteSize || s.writeSizeKb > s.sizeKb) {
        const int used = std::min(s.sizeKb, kDefaultWriteSize);
        debugTrace("InitDiskCache:  Illegal value for %s: %d. Using %d\n", kWriteSize,
                   s.writeSizeKb, used);
        debugTrace("                (Must be >=0, <= SizeInKB, but with absolute max of 128K)\n");
        s.writeSizeKb = used;
    }
    s.threadEnable = config.getBool(kSection, kThreadEnable, true);
    s.intervalSeconds = config.getInt(kSection, kInterval, kDefaultInterval);
    if (s.intervalSeconds <= 0) {
        debugTrace("InitDiskCache:  Illegal value for %s: %d (must be > 0). Using default of %d\n",
                   kInterval, s.intervalSeconds, kDefaultInterval);
        s.intervalSeconds = kDefaultInterval;
    }
    s.priority = config.getInt(kSection, kPriority, kDefaultPriority);
    if (s.priority < -2 || s.priority > 2) {
        debugTrace(
            "InitDiskCache:  Illegal value for %s: %d (must be -2, -1, 0, 1, or 2). Using "
            "default of %d\n",
            kPriority, s.priority, kDefaultPriority);
        s.priority = kDefaultPriority;
    }
    return s;
}

// Kilobytes to sectors; a size beyond what a count can hold asks for the most there is (the
// allocation then fails as it would).
int sectorsOf(int kilobytes) {
    return kilobytes > INT_MAX / 2 ? INT_MAX : kilobytes * 2;
}

void logInfo(int code, const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    rx_fwk::log(2, code, kSubCode, text, nullptr);
}

void logInfo(int code, const char* format, int value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    rx_fwk::log(2, code, kSubCode, text, nullptr);
}

// The errors of the set-up, then what the cache is now.
void report(const std::vector<int>& errors) {
    for (int error : errors) {
        rx_fwk::log(0, error, kSubCode, nullptr, nullptr);
    }
    if (!DiskCacheEnabled()) {
        rx_fwk::log(2, 6, kSubCode, "disk cache not enabled", nullptr);
        return;
    }
    logInfo(5, "disk cache size %.1f kb", DiskCacheBlockCount() * 0.5);
    logInfo(12, "disk cache write size %.1f kb", DiskCacheWriteSize() * 0.5);
    if (DiskCacheThreadEnabled()) {
        rx_fwk::log(2, 7, kSubCode, "disk cache thread enabled", nullptr);
        logInfo(9, "disk cache flush interval %d", DiskCacheIntervalSeconds());
        logInfo(10, "disk cache flush thread priority %d", DiskCachePriority());
    } else {
        rx_fwk::log(2, 8, kSubCode, "disk cache thread not enabled", nullptr);
    }
}

}  // namespace

void InitDiskCache() {
    InitDiskCache(rx_fwk::ConfigManager::instance());
}

void InitDiskCache(rx_fwk::ConfigManager& config) {
    if (rx_fwk::registerRebootCallback(&DiskCacheRebootCallback, nullptr, true) < 0) {
        debugTrace("ERROR REGISTERING CACHE REBOOT CALLBACK\n");
        return;
    }
    const Settings settings = readSettings(config);
    std::vector<int> errors;
    auto step = [&errors](int result) {
        if (result != 0) {
            errors.push_back(result);
        }
        return result == 0;
    };
    if (settings.enable &&
        step(DiskCacheInstall(sectorsOf(settings.sizeKb), sectorsOf(settings.writeSizeKb))) &&
        step(DiskCacheEnable()) && settings.threadEnable) {
        step(DiskCacheEnableThread());
        step(DiskCacheSetInterval(settings.intervalSeconds));
        step(DiskCacheSetPriority(settings.priority));
    }
    report(errors);
}

}  // namespace nZUEmbCfg
