// One slot of the disk write cache: which sector it holds and where it stands in the sorted
// index and in the recency list.
#pragma once

#include <cstdint>

namespace nZUEmbCfg {

struct CacheBlock {
    std::uint32_t deviceKey;  // 0: slot unused
    std::uint32_t device;     // the block device's handle
    std::uint32_t sector;
    unsigned char* data;          // 512 bytes
    unsigned char valid;          // data stored
    unsigned char dirty;          // not yet on the device
    std::uint32_t indexPosition;  // place in the sorted index
    CacheBlock* next;             // toward the least recently used end
    CacheBlock* previous;         // toward the most recently used end
};

}  // namespace nZUEmbCfg
