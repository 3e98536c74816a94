// The C allocation calls of the image's own code. Every program that links the kernel is
// linked with these calls wrapped (--wrap, see CMakeLists.txt): a call to malloc from the
// image's objects lands here and goes to the kernel heap, while the C library's and other
// shared libraries' calls stay with the host allocator. Both allocators are the same host
// allocator underneath, so a block may be freed by either side; only the heap's count can be
// off when one side frees what the other allocated (a block from strdup inside the C
// library, say), which the heap's count tolerates.
#include <errno.h>
#include <string.h>

#include <cstddef>
#include <cstdint>

#include "kernel/heap/HeapFailure.h"
#include "kernel/heap/LocalMemory.h"
#include "kernel/heap/posix/HeapBlocks.h"

namespace {

void* failed() {
    errno = ENOMEM;
    return nullptr;
}

void* allocate(std::size_t bytes, UINT flags) {
    void* block = LocalAlloc(flags, bytes);
    return block != nullptr ? block : failed();
}

bool validAlignment(std::size_t alignment) {
    return alignment != 0 && (alignment & (alignment - 1)) == 0;
}

}  // namespace

extern "C" {

void* __wrap_malloc(std::size_t bytes) {
    return allocate(bytes, LMEM_FIXED);
}

void* __wrap_calloc(std::size_t count, std::size_t bytes) {
    if (bytes != 0 && count > SIZE_MAX / bytes) {
        return failed();
    }
    return allocate(count * bytes, LMEM_ZEROINIT);
}

void* __wrap_realloc(void* block, std::size_t bytes) {
    if (block == nullptr) {
        return allocate(bytes, LMEM_FIXED);
    }
    if (bytes == 0) {  // as the C library does: the block is freed
        LocalFree(block);
        return nullptr;
    }
    void* moved = LocalReAlloc(block, bytes, LMEM_MOVEABLE);
    return moved != nullptr ? moved : failed();
}

void* __wrap_reallocarray(void* block, std::size_t count, std::size_t bytes) {
    if (bytes != 0 && count > SIZE_MAX / bytes) {
        return failed();
    }
    return __wrap_realloc(block, count * bytes);
}

void __wrap_free(void* block) {
    if (block != nullptr) {
        LocalFree(block);
    }
}

char* __wrap_strdup(const char* text) {
    const std::size_t length = ::strlen(text);
    auto* copy = static_cast<char*>(allocate(length + 1, LMEM_FIXED));
    if (copy != nullptr) {
        ::memcpy(copy, text, length + 1);
    }
    return copy;
}

char* __wrap_strndup(const char* text, std::size_t most) {
    const std::size_t length = ::strnlen(text, most);
    auto* copy = static_cast<char*>(allocate(length + 1, LMEM_FIXED));
    if (copy != nullptr) {
        ::memcpy(copy, text, length);
        copy[length] = '\0';
    }
    return copy;
}

int __wrap_posix_memalign(void** block, std::size_t alignment, std::size_t bytes) {
    if (!validAlignment(alignment) || alignment % sizeof(void*) != 0) {
        return EINVAL;
    }
    void* aligned = TovHeapAllocate(bytes, alignment, false, TOV_HEAP_ALLOCATION_FAILED);
    if (aligned == nullptr) {
        return ENOMEM;
    }
    *block = aligned;
    return 0;
}

void* __wrap_aligned_alloc(std::size_t alignment, std::size_t bytes) {
    if (!validAlignment(alignment)) {
        errno = EINVAL;
        return nullptr;
    }
    // The host wants at least pointer alignment for its aligned blocks.
    const std::size_t hostAlignment = alignment < sizeof(void*) ? sizeof(void*) : alignment;
    void* block = TovHeapAllocate(bytes, hostAlignment, false, TOV_HEAP_ALLOCATION_FAILED);
    return block != nullptr ? block : failed();
}

void* __wrap_memalign(std::size_t alignment, std::size_t bytes) {
    return __wrap_aligned_alloc(alignment, bytes);
}

}  // extern "C"
