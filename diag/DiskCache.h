// The disk write cache between the kernel's block devices and their drivers: the
// process-wide operations. Every operation answers 0 or an error number and 2 while no cache
// is installed; the queries answer 0 then.
#pragma once

namespace nZUEmbCfg {

constexpr int kDiskCacheNotInstalled = 2;
constexpr int kDiskCacheNoBlocks = 1116;
constexpr int kDiskCacheBadPriority = 1117;
constexpr int kDiskCacheBadInterval = 1118;
constexpr int kDiskCacheNoMemory = 1120;
constexpr int kDiskCacheNoThread = 1121;

// Creates the cache with `blockCount` sectors and a write buffer of `writeSize` sectors, puts
// it in front of every block device and wraps CloseHandle and FlushFileBuffers so that they
// end with a flush. An installed cache is uninstalled first. 1116 for fewer than one block,
// 1120 when the memory cannot be had; nothing stays installed after a failure.
int DiskCacheInstall(int blockCount, int writeSize);
// Restores the file calls, disables the cache (thread stopped, everything written), and
// gives every device its own driver back.
int DiskCacheUninstall();
// Turns caching on (not for a cache without blocks) and starts the flush thread when it is
// enabled; answers the thread start's result (1121) but caches either way.
int DiskCacheEnable();
// Stops the thread, writes everything, forgets every sector; the memory stays.
int DiskCacheDisable();
// Starts the flush thread now if the cache is enabled (1121 when it cannot be), else with
// the next enable.
int DiskCacheEnableThread();
// 1118 for 0 or fewer seconds.
int DiskCacheSetInterval(int seconds);
// -2 to 2, applied at once to a running thread; 1117 otherwise.
int DiskCacheSetPriority(int priority);
// Writes every dirty sector.
int DiskCacheFlush();

bool DiskCacheEnabled();
bool DiskCacheThreadEnabled();
int DiskCacheIntervalSeconds();
int DiskCachePriority();
int DiskCacheBlockCount();  // sectors
int DiskCacheWriteSize();   // sectors

struct DiskCacheStatistics {
    int dirty;               // sectors not yet written
    unsigned forcedFlushes;  // evictions of a dirty sector, each a full flush
    unsigned threadFlushes;  // flushes of the flush thread
};
DiskCacheStatistics DiskCacheStatisticsNow();

// The reboot callback: uninstalls. After a system error it gives up when the cache stays
// locked for two seconds (a thread that crashed inside it holds the lock for good).
void DiskCacheRebootCallback(int reason, void* context);

// Tests step the flush thread faster than whole seconds.
int DiskCacheSetIntervalMilliseconds(unsigned milliseconds);

}  // namespace nZUEmbCfg
