// Sets the kernel heap's limit for a scope and puts the previous one back.
#pragma once

#include <cstdint>

#include "kernel/heap/Heap.h"

namespace lbtest {

class ScopedHeapLimit {
public:
    explicit ScopedHeapLimit(std::uint64_t bytes) : previous_(TovHeapLimit()) {
        TovSetHeapLimit(bytes);
    }
    ~ScopedHeapLimit() { TovSetHeapLimit(previous_); }
    ScopedHeapLimit(const ScopedHeapLimit&) = delete;
    ScopedHeapLimit& operator=(const ScopedHeapLimit&) = delete;

private:
    std::uint64_t previous_;
};

}  // namespace lbtest
