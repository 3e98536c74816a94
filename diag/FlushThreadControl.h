// The disk cache's flush thread: it writes the cache back one interval after the cache
// went from clean to dirty, and sleeps without a time limit while nothing is dirty.
#pragma once

#include <atomic>

#include "kernel/base/Win32Types.h"
#include "kernel/threads/Sync.h"

namespace nZUEmbCfg {

class SectorCache;

class FlushThreadControl {
public:
    // Error number when the thread or its event cannot be created.
    static constexpr int kNoThread = 1121;

    FlushThreadControl(SectorCache& owner, CRITICAL_SECTION* lock) : owner_(owner), lock_(lock) {}
    FlushThreadControl(const FlushThreadControl&) = delete;
    FlushThreadControl& operator=(const FlushThreadControl&) = delete;

    // "Disk Cache Flush Thread": 0 or kNoThread. Under the cache's lock.
    int start();
    // Asks the thread to end and waits up to 5000 ms. The caller must not hold the cache's
    // lock, which the thread may be waiting for. False when the thread did not end: it may
    // still use this object, which must then be left alive.
    bool stop();
    bool running() const { return thread_ != nullptr; }

    // The cache went from clean to dirty / has nothing left to write (under the cache's lock).
    void wake();
    void settle();

    void setPriority(int priority);
    int priority() const { return priority_; }
    void setIntervalMilliseconds(DWORD milliseconds) { intervalMs_ = milliseconds; }
    DWORD intervalMilliseconds() const { return intervalMs_; }
    unsigned flushCount() const { return flushCount_; }

private:
    static DWORD run(LPVOID self);
    void loop();

    SectorCache& owner_;
    std::atomic<int> priority_{0};
    std::atomic<DWORD> intervalMs_{1};
    std::atomic<bool> stopping_{false};
    std::atomic<bool> pending_{false};
    HANDLE thread_ = nullptr;
    std::atomic<HANDLE> event_{nullptr};
    CRITICAL_SECTION* lock_;
    std::atomic<unsigned> flushCount_{0};
};

}  // namespace nZUEmbCfg
