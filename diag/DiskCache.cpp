// The process-wide disk cache: the manager object, its locks, the dispatcher that stands in
// for every block device's driver, and the wrapped file calls.
//
// Two locks: the cache lock (the manager's lock) serialises the dispatcher, the flush
// thread's flushes and every operation on the cache; the control lock serialises the
// operations that start or stop the flush thread, which wait for the thread without the
// cache lock (the thread may be waiting for it to flush).
#include "diag/DiskCache.h"

#include <atomic>
#include <new>

#include "app/services/RebootNotifier.h"
#include "diag/FlushThreadControl.h"
#include "diag/SectorCache.h"
#include "kernel/fs/FileSystemOperations.h"
#include "kernel/storage/BlockDevice.h"
#include "kernel/threads/Sync.h"
#include "kernel/time/Time.h"

namespace nZUEmbCfg {
namespace {

constexpr DWORD kRebootLockWaitMs = 2000;
constexpr DWORD kWrappedFlushWaitMs = 2000;
constexpr int kLowestPriority = -2;
constexpr int kHighestPriority = 2;

BOOL callSavedDriver(DWORD device, DWORD firstSector, void* buffer, WORD count, BOOL read);

struct DiskCacheManager {
    explicit DiskCacheManager(CRITICAL_SECTION* lock) : control(cache, lock) {}
    SectorCache cache{&callSavedDriver};
    int enabled = 0;
    int threadEnabled = 0;
    FlushThreadControl control;
    int configured = 0;
};

struct Locks {
    Locks() {
        InitializeCriticalSection(&cache);
        InitializeCriticalSection(&control);
    }
    CRITICAL_SECTION cache;
    CRITICAL_SECTION control;
};

// Never destroyed: the dispatcher may run during the process's exit.
Locks& locks() {
    static Locks* created = new Locks;
    return *created;
}

class Hold {
public:
    explicit Hold(CRITICAL_SECTION& section) : section_(section) {
        EnterCriticalSection(&section_);
    }
    ~Hold() { LeaveCriticalSection(&section_); }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

private:
    CRITICAL_SECTION& section_;
};

DiskCacheManager* gManager = nullptr;  // under the cache lock
// The drivers the dispatcher stands in for, by index in the kernel's device table. Kept
// after an uninstall: a request already on its way to the dispatcher still finds its driver.
std::atomic<TovSectorIo> gSavedDrivers[kTovMaxBlockDevices] = {};
std::atomic<TovHandleOperation> gSavedClose{nullptr};
std::atomic<TovHandleOperation> gSavedFlush{nullptr};

BOOL dispatcher(DWORD device, DWORD firstSector, void* buffer, WORD count, BOOL read);

BOOL callSavedDriver(DWORD device, DWORD firstSector, void* buffer, WORD count, BOOL read) {
    int index = TovBlockDeviceIndex(device);
    if (index < 0) {
        return FALSE;
    }
    TovSectorIo driver = gSavedDrivers[index].load();
    if (driver == nullptr || driver == &dispatcher) {
        return FALSE;
    }
    return driver(device, firstSector, buffer, count, read);
}

BOOL dispatcher(DWORD device, DWORD firstSector, void* buffer, WORD count, BOOL read) {
    EnterCriticalSection(&locks().cache);
    DiskCacheManager* manager = gManager;
    if (manager == nullptr) {
        LeaveCriticalSection(&locks().cache);
        return callSavedDriver(device, firstSector, buffer, count, read);
    }
    BOOL result;
    if (!manager->enabled) {
        result = callSavedDriver(device, firstSector, buffer, count, read);
    } else if (read) {
        result = manager->cache.read(device, firstSector, buffer, count);
    } else {
        result = manager->cache.write(device, firstSector, buffer, count);
    }
    LeaveCriticalSection(&locks().cache);
    return result;
}

bool enterWithin(CRITICAL_SECTION& section, DWORD milliseconds) {
    const DWORD start = GetTickCount();
    while (!TryEnterCriticalSection(&section)) {
        if (GetTickCount() - start >= milliseconds) {
            return false;
        }
        Sleep(1);
    }
    return true;
}

// The flush that ends every close and flush of a handle. Those calls must not hang on a
// cache whose lock a crashed thread holds (the crash report closes files), so the flush is
// left to a later one when the lock cannot be had in time.
void flushAfterFileCall() {
    if (!enterWithin(locks().cache, kWrappedFlushWaitMs)) {
        return;
    }
    if (gManager != nullptr && gManager->configured) {
        gManager->cache.flushAll(true);
    }
    LeaveCriticalSection(&locks().cache);
}

BOOL closeAndFlush(HANDLE handle) {
    TovHandleOperation close = gSavedClose.load();
    BOOL result = close != nullptr ? close(handle) : FALSE;
    flushAfterFileCall();
    return result;
}

BOOL flushAndFlush(HANDLE handle) {
    TovHandleOperation flush = gSavedFlush.load();
    BOOL result = flush != nullptr ? flush(handle) : FALSE;
    flushAfterFileCall();
    return result;
}

void wrap(TovFileSystemOperation which, TovHandleOperation wrapper,
          std::atomic<TovHandleOperation>& saved) {
    TovHandleOperation current = TovGetFileSystemOperation(which);
    if (current != wrapper) {
        saved = current;
        TovSetFileSystemOperation(which, wrapper);
    }
}

void unwrap(TovFileSystemOperation which, TovHandleOperation wrapper,
            std::atomic<TovHandleOperation>& saved) {
    if (TovGetFileSystemOperation(which) == wrapper && saved.load() != nullptr) {
        TovSetFileSystemOperation(which, saved.load());
    }
}

void replaceDrivers() {
    const DWORD count = TovBlockDeviceCount();
    for (DWORD index = 0; index < count && index < kTovMaxBlockDevices; ++index) {
        TovBlockDeviceInfo info;
        if (TovGetBlockDevice(index, &info) && info.sectorIo != &dispatcher) {
            gSavedDrivers[index] = info.sectorIo;
            TovSetSectorIo(index, &dispatcher);
        }
    }
}

void restoreDrivers() {
    const DWORD count = TovBlockDeviceCount();
    for (DWORD index = 0; index < count && index < kTovMaxBlockDevices; ++index) {
        TovBlockDeviceInfo info;
        if (TovGetBlockDevice(index, &info) && info.sectorIo == &dispatcher &&
            gSavedDrivers[index].load() != nullptr) {
            TovSetSectorIo(index, gSavedDrivers[index].load());
        }
    }
}

DiskCacheManager* manager() {
    Hold hold(locks().cache);
    return gManager;
}

// Under the control lock: stops the thread, writes and forgets everything. False when the
// thread did not end.
bool disable(DiskCacheManager& cache) {
    {
        Hold hold(locks().cache);
        if (!cache.enabled) {
            return true;
        }
    }
    const bool ended = cache.control.stop();
    Hold hold(locks().cache);
    cache.cache.flushAll(true);
    cache.cache.invalidateAll();
    cache.enabled = 0;
    return ended;
}

// Under the control lock.
int uninstall() {
    DiskCacheManager* cache = nullptr;
    {
        Hold hold(locks().cache);
        cache = gManager;
        if (cache == nullptr) {
            return kDiskCacheNotInstalled;
        }
        unwrap(TOV_FSOP_CLOSE_HANDLE, &closeAndFlush, gSavedClose);
        unwrap(TOV_FSOP_FLUSH_FILE_BUFFERS, &flushAndFlush, gSavedFlush);
    }
    const bool ended = disable(*cache);
    {
        Hold hold(locks().cache);
        gManager = nullptr;
        restoreDrivers();
    }
    if (ended) {
        delete cache;
    }  // else the thread that did not end still uses it: it stays
    return 0;
}

}  // namespace

int DiskCacheInstall(int blockCount, int writeSize) {
    Hold control(locks().control);
    uninstall();
    auto* created = new (std::nothrow) DiskCacheManager(&locks().cache);
    if (created == nullptr) {
        return kDiskCacheNoMemory;
    }
    const int result = created->cache.configure(blockCount, writeSize);
    if (result != 0) {
        delete created;
        return result;
    }
    created->configured = 1;
    created->cache.setFlushControl(&created->control);
    Hold hold(locks().cache);
    gManager = created;
    replaceDrivers();
    wrap(TOV_FSOP_CLOSE_HANDLE, &closeAndFlush, gSavedClose);
    wrap(TOV_FSOP_FLUSH_FILE_BUFFERS, &flushAndFlush, gSavedFlush);
    return 0;
}

int DiskCacheUninstall() {
    Hold control(locks().control);
    return uninstall();
}

int DiskCacheEnable() {
    Hold control(locks().control);
    Hold hold(locks().cache);
    DiskCacheManager* cache = gManager;
    if (cache == nullptr || !cache->configured) {
        return kDiskCacheNotInstalled;
    }
    if (cache->cache.blockCount() == 0) {
        return 0;
    }
    int result = 0;
    if (cache->threadEnabled) {
        result = cache->control.start();
        cache->threadEnabled = result == 0;
    }
    cache->enabled = 1;
    return result;
}

int DiskCacheDisable() {
    Hold control(locks().control);
    DiskCacheManager* cache = manager();
    if (cache == nullptr || !cache->configured) {
        return kDiskCacheNotInstalled;
    }
    disable(*cache);
    return 0;
}

int DiskCacheEnableThread() {
    Hold control(locks().control);
    Hold hold(locks().cache);
    DiskCacheManager* cache = gManager;
    if (cache == nullptr) {
        return kDiskCacheNotInstalled;
    }
    if (!cache->enabled) {
        cache->threadEnabled = 1;
        return 0;
    }
    const int result = cache->control.start();
    cache->threadEnabled = result == 0;
    return result;
}

int DiskCacheSetInterval(int seconds) {
    if (seconds <= 0) {
        Hold hold(locks().cache);
        return gManager == nullptr ? kDiskCacheNotInstalled : kDiskCacheBadInterval;
    }
    const unsigned long long milliseconds = static_cast<unsigned long long>(seconds) * 1000;
    return DiskCacheSetIntervalMilliseconds(
        milliseconds < INFINITE ? static_cast<unsigned>(milliseconds) : INFINITE - 1);
}

int DiskCacheSetIntervalMilliseconds(unsigned milliseconds) {
    Hold hold(locks().cache);
    if (gManager == nullptr) {
        return kDiskCacheNotInstalled;
    }
    if (milliseconds == 0) {
        return kDiskCacheBadInterval;
    }
    gManager->control.setIntervalMilliseconds(milliseconds);
    return 0;
}

int DiskCacheSetPriority(int priority) {
    Hold hold(locks().cache);
    if (gManager == nullptr) {
        return kDiskCacheNotInstalled;
    }
    if (priority < kLowestPriority || priority > kHighestPriority) {
        return kDiskCacheBadPriority;
    }
    gManager->control.setPriority(priority);
    return 0;
}

int DiskCacheFlush() {
    Hold hold(locks().cache);
    if (gManager == nullptr || !gManager->configured) {
        return kDiskCacheNotInstalled;
    }
    gManager->cache.flushAll(true);
    return 0;
}

bool DiskCacheEnabled() {
    Hold hold(locks().cache);
    return gManager != nullptr && gManager->enabled;
}

bool DiskCacheThreadEnabled() {
    Hold hold(locks().cache);
    return gManager != nullptr && gManager->threadEnabled;
}

int DiskCacheIntervalSeconds() {
    Hold hold(locks().cache);
    return gManager == nullptr ? 0
                               : static_cast<int>(gManager->control.intervalMilliseconds() / 1000);
}

int DiskCachePriority() {
    Hold hold(locks().cache);
    return gManager == nullptr ? 0 : gManager->control.priority();
}

int DiskCacheBlockCount() {
    Hold hold(locks().cache);
    return gManager == nullptr ? 0 : gManager->cache.blockCount();
}

int DiskCacheWriteSize() {
    Hold hold(locks().cache);
    return gManager == nullptr ? 0 : gManager->cache.writeSize();
}

DiskCacheStatistics DiskCacheStatisticsNow() {
    Hold hold(locks().cache);
    if (gManager == nullptr) {
        return DiskCacheStatistics{};
    }
    return DiskCacheStatistics{gManager->cache.dirtyCount(), gManager->cache.forcedFlushes(),
                               gManager->control.flushCount()};
}

void DiskCacheRebootCallback(int reason, void*) {
    if (reason == rx_fwk::RebootSystemError) {
        if (!enterWithin(locks().control, kRebootLockWaitMs)) {
            return;
        }
        if (!enterWithin(locks().cache, kRebootLockWaitMs)) {
            LeaveCriticalSection(&locks().control);
            return;
        }
        LeaveCriticalSection(&locks().cache);
        uninstall();
        LeaveCriticalSection(&locks().control);
        return;
    }
    DiskCacheUninstall();
}

}  // namespace nZUEmbCfg
