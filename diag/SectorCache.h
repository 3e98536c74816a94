// The sectors of the disk write cache: slots found by binary search over an index sorted by
// device and sector, replaced least recently used first, written back in runs.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "diag/CacheBlock.h"
#include "kernel/base/Win32Types.h"
#include "kernel/storage/BlockDevice.h"

namespace nZUEmbCfg {

class FlushThreadControl;

class SectorCache {
public:
    // Error numbers of the cache's operations.
    static constexpr int kNoBlocks = 1116;
    static constexpr int kNoMemory = 1120;

    // `deviceIo` reaches the devices themselves (the drivers the cache stands in front of).
    explicit SectorCache(TovSectorIo deviceIo) : deviceIo_(deviceIo) {}
    ~SectorCache();
    SectorCache(const SectorCache&) = delete;
    SectorCache& operator=(const SectorCache&) = delete;

    // Releases earlier memory (flushing first) and makes `blockCount` empty slots and a write
    // buffer of `writeSize` sectors (none when it cannot be had). 0, kNoBlocks or kNoMemory
    // (everything released).
    int configure(int blockCount, int writeSize);
    // Flushes, then frees every slot and buffer.
    void release();

    // The cache's side of the sector-I/O function.
    BOOL read(DWORD device, DWORD firstSector, void* buffer, WORD count);
    BOOL write(DWORD device, DWORD firstSector, const void* buffer, WORD count);

    // Writes every dirty slot; `signal` tells the flush thread that nothing is pending.
    void flushAll(bool signal);
    // Forgets every sector (after a flush); the memory stays.
    void invalidateAll();

    void setFlushControl(FlushThreadControl* control) { flushControl_ = control; }

    int blockCount() const { return blockCount_; }
    int writeSize() const { return writeSize_; }
    int dirtyCount() const { return dirtyCount_; }
    // Evictions of a dirty slot, each of which flushed the whole cache.
    unsigned forcedFlushes() const { return forcedFlushes_; }

private:
    std::uint32_t keyOf(DWORD device);
    // Position in the index of the first slot not below (key, sector).
    std::uint32_t lowerBound(std::uint32_t key, std::uint32_t sector) const;
    CacheBlock* find(std::uint32_t key, std::uint32_t sector, std::uint32_t* position) const;
    // Moves the slot's index entry to where its (device, sector) belongs.
    void reposition(CacheBlock* slot);
    void unlink(CacheBlock* slot);
    void toHead(CacheBlock* slot);
    void toTail(CacheBlock* slot);
    void store(DWORD device, std::uint32_t key, std::uint32_t sector, const unsigned char* data,
               bool dirty);
    void discard(CacheBlock* slot);
    void writeSingle(CacheBlock* slot, bool signal);
    void settle(bool signal);

    TovSectorIo deviceIo_;
    std::vector<std::pair<DWORD, std::uint32_t>> devices_;  // handle, key
    std::uint32_t nextKey_ = 1;
    int blockCount_ = 0;
    unsigned char* dataArea_ = nullptr;
    CacheBlock* slots_ = nullptr;
    CacheBlock** index_ = nullptr;
    CacheBlock* head_ = nullptr;  // most recently used
    CacheBlock* tail_ = nullptr;  // least recently used: the next victim
    int dirtyCount_ = 0;
    unsigned forcedFlushes_ = 0;
    unsigned char* writeBuffer_ = nullptr;
    int writeSize_ = 0;
    FlushThreadControl* flushControl_ = nullptr;
};

}  // namespace nZUEmbCfg
