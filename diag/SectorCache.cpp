// Sector storage, lookup, replacement and write-back of the disk write cache. The caller
// holds the cache's lock around every call.
#include "diag/SectorCache.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "diag/FlushThreadControl.h"

namespace nZUEmbCfg {
namespace {

constexpr std::size_t kSector = kTovSectorSize;

// Used slots in (device key, sector) order; unused ones after all of them.
std::uint64_t sortKey(std::uint32_t key, std::uint32_t sector) {
    return key == 0 ? UINT64_MAX : (std::uint64_t{key} << 32) | sector;
}

std::uint64_t sortKey(const CacheBlock* slot) {
    return sortKey(slot->deviceKey, slot->sector);
}

void warnDiscarded() {
    std::fputs("WARNING: flush from cache to disk failed - data discarded.\n", stderr);
}

}  // namespace

SectorCache::~SectorCache() {
    release();
}

int SectorCache::configure(int blockCount, int writeSize) {
    release();
    if (blockCount < 1) {
        return kNoBlocks;
    }
    const std::size_t count = static_cast<std::size_t>(blockCount);
    dataArea_ = new (std::nothrow) unsigned char[count * kSector];
    slots_ = new (std::nothrow) CacheBlock[count];
    index_ = new (std::nothrow) CacheBlock*[count];
    if (dataArea_ == nullptr || slots_ == nullptr || index_ == nullptr) {
        release();
        return kNoMemory;
    }
    // A device request counts its sectors in 16 bits.
    writeSize = writeSize < 0xFFFF ? writeSize : 0xFFFF;
    if (writeSize > 0) {
        writeBuffer_ =
            new (std::nothrow) unsigned char[static_cast<std::size_t>(writeSize) * kSector];
        writeSize_ = writeBuffer_ != nullptr ? writeSize : 0;
    }
    blockCount_ = blockCount;
    for (std::size_t i = 0; i < count; ++i) {
        slots_[i] = CacheBlock{0,
                               0,
                               0,
                               dataArea_ + i * kSector,
                               0,
                               0,
                               static_cast<std::uint32_t>(i),
                               i + 1 < count ? &slots_[i + 1] : nullptr,
                               i > 0 ? &slots_[i - 1] : nullptr};
        index_[i] = &slots_[i];
    }
    head_ = &slots_[0];
    tail_ = &slots_[count - 1];
    dirtyCount_ = 0;
    return 0;
}

void SectorCache::release() {
    if (blockCount_ > 0) {
        flushAll(false);
    }
    delete[] dataArea_;
    delete[] slots_;
    delete[] index_;
    delete[] writeBuffer_;
    dataArea_ = nullptr;
    slots_ = nullptr;
    index_ = nullptr;
    writeBuffer_ = nullptr;
    head_ = tail_ = nullptr;
    blockCount_ = 0;
    writeSize_ = 0;
    dirtyCount_ = 0;
}

std::uint32_t SectorCache::keyOf(DWORD device) {
    for (const auto& [handle, key] : devices_) {
        if (handle == device) {
            return key;
        }
    }
    try {
        devices_.emplace_back(device, nextKey_);
    } catch (const std::bad_alloc&) {
        return 0;  // no room to remember the device: it goes past the cache
    }
    return nextKey_++;
}

std::uint32_t SectorCache::lowerBound(std::uint32_t key, std::uint32_t sector) const {
    const std::uint64_t wanted = sortKey(key, sector);
    std::uint32_t low = 0;
    std::uint32_t high = static_cast<std::uint32_t>(blockCount_);
    while (low < high) {
        std::uint32_t middle = low + (high - low) / 2;
        if (sortKey(index_[middle]) < wanted) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

CacheBlock* SectorCache::find(std::uint32_t key, std::uint32_t sector,
                              std::uint32_t* position) const {
    std::uint32_t at = lowerBound(key, sector);
    if (position != nullptr) {
        *position = at;
    }
    if (at < static_cast<std::uint32_t>(blockCount_) && index_[at]->deviceKey == key &&
        index_[at]->sector == sector) {
        return index_[at];
    }
    return nullptr;
}

void SectorCache::reposition(CacheBlock* slot) {
    const std::uint64_t key = sortKey(slot);
    std::uint32_t at = slot->indexPosition;
    while (at > 0 && sortKey(index_[at - 1]) > key) {
        index_[at] = index_[at - 1];
        index_[at]->indexPosition = at;
        --at;
    }
    while (at + 1 < static_cast<std::uint32_t>(blockCount_) && sortKey(index_[at + 1]) < key) {
        index_[at] = index_[at + 1];
        index_[at]->indexPosition = at;
        ++at;
    }
    index_[at] = slot;
    slot->indexPosition = at;
}

void SectorCache::unlink(CacheBlock* slot) {
    (slot->previous != nullptr ? slot->previous->next : head_) = slot->next;
    (slot->next != nullptr ? slot->next->previous : tail_) = slot->previous;
    slot->next = slot->previous = nullptr;
}

void SectorCache::toHead(CacheBlock* slot) {
    if (slot == head_) {
        return;
    }
    unlink(slot);
    slot->next = head_;
    (head_ != nullptr ? head_->previous : tail_) = slot;
    head_ = slot;
}

void SectorCache::toTail(CacheBlock* slot) {
    if (slot == tail_) {
        return;
    }
    unlink(slot);
    slot->previous = tail_;
    (tail_ != nullptr ? tail_->next : head_) = slot;
    tail_ = slot;
}

BOOL SectorCache::read(DWORD device, DWORD firstSector, void* buffer, WORD count) {
    const std::uint32_t key = keyOf(device);
    if (key == 0) {
        return deviceIo_(device, firstSector, buffer, count, TRUE);
    }
    auto* out = static_cast<unsigned char*>(buffer);
    std::uint32_t done = 0;
    while (done < count) {
        const std::uint32_t sector = firstSector + done;
        std::uint32_t position = 0;
        if (CacheBlock* slot = find(key, sector, &position)) {
            std::memcpy(out + done * kSector, slot->data, kSector);
            toHead(slot);
            ++done;
            continue;
        }
        // Up to the end of the request or the next sector of this device that is cached.
        std::uint32_t run = count - done;
        if (position < static_cast<std::uint32_t>(blockCount_) &&
            index_[position]->deviceKey == key && index_[position]->sector - sector < run) {
            run = index_[position]->sector - sector;
        }
        unsigned char* into = out + done * kSector;
        if (!deviceIo_(device, sector, into, static_cast<WORD>(run), TRUE)) {
            return FALSE;
        }
        for (std::uint32_t i = 0; i < run; ++i) {
            store(device, key, sector + i, into + i * kSector, false);
        }
        done += run;
    }
    return TRUE;
}

BOOL SectorCache::write(DWORD device, DWORD firstSector, const void* buffer, WORD count) {
    const std::uint32_t key = keyOf(device);
    if (key == 0) {
        return deviceIo_(device, firstSector, const_cast<void*>(buffer), count, FALSE);
    }
    const auto* in = static_cast<const unsigned char*>(buffer);
    for (std::uint32_t i = 0; i < count; ++i) {
        store(device, key, firstSector + i, in + i * kSector, true);
    }
    return TRUE;
}

void SectorCache::store(DWORD device, std::uint32_t key, std::uint32_t sector,
                        const unsigned char* data, bool dirty) {
    if (dirty && dirtyCount_ == 0 && flushControl_ != nullptr) {
        flushControl_->wake();
    }
    CacheBlock* slot = find(key, sector, nullptr);
    if (slot == nullptr) {
        slot = tail_;
        if (slot->deviceKey != 0 && slot->dirty) {
            flushAll(!dirty);
            ++forcedFlushes_;
        }
        slot->deviceKey = key;
        slot->device = device;
        slot->sector = sector;
        slot->valid = 0;
        slot->dirty = 0;
        reposition(slot);
    }
    if (dirty && !slot->dirty) {
        ++dirtyCount_;
    } else if (!dirty && slot->dirty) {
        --dirtyCount_;  // a clean copy replaces the unwritten one
    }
    std::memcpy(slot->data, data, kSector);
    slot->valid = 1;
    slot->dirty = dirty ? 1 : 0;
    toHead(slot);
}

void SectorCache::discard(CacheBlock* slot) {
    slot->deviceKey = 0;
    slot->device = 0;
    slot->sector = 0;
    slot->valid = 0;
    slot->dirty = 0;
    reposition(slot);
    toTail(slot);
}

void SectorCache::settle(bool signal) {
    if (signal && flushControl_ != nullptr) {
        flushControl_->settle();
    }
}

void SectorCache::writeSingle(CacheBlock* slot, bool signal) {
    if (deviceIo_(slot->device, slot->sector, slot->data, 1, FALSE)) {
        slot->dirty = 0;
    } else {
        warnDiscarded();
        discard(slot);
    }
    if (--dirtyCount_ == 0) {
        settle(signal);
    }
}

void SectorCache::flushAll(bool signal) {
    if (dirtyCount_ == 0) {
        return;
    }
    const std::uint32_t end = static_cast<std::uint32_t>(blockCount_);
    std::uint32_t at = 0;
    if (writeSize_ < 2) {
        while (at < end && index_[at]->deviceKey != 0) {
            CacheBlock* slot = index_[at];
            if (!slot->dirty) {
                ++at;
                continue;
            }
            writeSingle(slot, signal);
            if (slot->deviceKey != 0) {
                ++at;  // a discarded slot went to the end; the next one took its place
            }
        }
        return;
    }
    while (at < end && index_[at]->deviceKey != 0) {
        CacheBlock* first = index_[at];
        if (!first->dirty) {
            ++at;
            continue;
        }
        std::uint32_t length = 1;
        while (at + length < end && length < static_cast<std::uint32_t>(writeSize_)) {
            const CacheBlock* next = index_[at + length];
            if (next->deviceKey != first->deviceKey || !next->dirty ||
                next->sector != first->sector + length) {
                break;
            }
            ++length;
        }
        for (std::uint32_t i = 0; i < length; ++i) {
            std::memcpy(writeBuffer_ + i * kSector, index_[at + i]->data, kSector);
        }
        if (deviceIo_(first->device, first->sector, writeBuffer_, static_cast<WORD>(length),
                      FALSE)) {
            for (std::uint32_t i = 0; i < length; ++i) {
                index_[at + i]->dirty = 0;
            }
            at += length;
        } else {
            warnDiscarded();
            for (std::uint32_t i = 0; i < length; ++i) {
                discard(index_[at]);  // the rest of the run moves up into its place
            }
        }
        dirtyCount_ -= static_cast<int>(length);
    }
    settle(signal);
}

void SectorCache::invalidateAll() {
    for (int i = 0; i < blockCount_; ++i) {
        CacheBlock& slot = slots_[i];
        slot.deviceKey = 0;
        slot.device = 0;
        slot.sector = 0;
        slot.valid = 0;
        slot.dirty = 0;
    }
    dirtyCount_ = 0;
}

}  // namespace nZUEmbCfg
