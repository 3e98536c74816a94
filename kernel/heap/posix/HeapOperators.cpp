// The C++ allocation operators of the image, replaced so that every new and delete (the
// application's, the standard library's, a DLL's, which binds to the image's) reaches the
// kernel heap through LocalAlloc and LocalFree. Under AddressSanitizer the sanitizer's own
// operators stay: they check what these would hide (mismatched new and delete).
#include <new>

#include "kernel/heap/HeapFailure.h"
#include "kernel/heap/LocalMemory.h"
#include "kernel/heap/posix/HeapBlocks.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TOV_SANITIZED_HEAP 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define TOV_SANITIZED_HEAP 1
#endif

#ifndef TOV_SANITIZED_HEAP

namespace {

// The host allocator's blocks are aligned for every fundamental type.
constexpr std::size_t kPlainAlignment = __STDCPP_DEFAULT_NEW_ALIGNMENT__;

void* allocate(std::size_t bytes, std::size_t alignment) {
    if (alignment <= kPlainAlignment) {
        return LocalAlloc(LMEM_FIXED, bytes);
    }
    return TovHeapAllocate(bytes, alignment, false, TOV_HEAP_ALLOCATION_FAILED);
}

// As the standard asks: the new-handler may make room; without one the request fails.
void* allocateOrThrow(std::size_t bytes, std::size_t alignment) {
    for (;;) {
        if (void* block = allocate(bytes, alignment)) {
            return block;
        }
        std::new_handler handler = std::get_new_handler();
        if (handler == nullptr) {
            throw std::bad_alloc();
        }
        handler();
    }
}

void* allocateOrNull(std::size_t bytes, std::size_t alignment) noexcept {
    try {
        return allocateOrThrow(bytes, alignment);
    } catch (...) {
        return nullptr;
    }
}

void release(void* block) noexcept {
    if (block != nullptr) {
        LocalFree(block);
    }
}

}  // namespace

void* operator new(std::size_t bytes) {
    return allocateOrThrow(bytes, 0);
}
void* operator new[](std::size_t bytes) {
    return allocateOrThrow(bytes, 0);
}
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept {
    return allocateOrNull(bytes, 0);
}
void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept {
    return allocateOrNull(bytes, 0);
}
void* operator new(std::size_t bytes, std::align_val_t alignment) {
    return allocateOrThrow(bytes, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t bytes, std::align_val_t alignment) {
    return allocateOrThrow(bytes, static_cast<std::size_t>(alignment));
}
void* operator new(std::size_t bytes, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return allocateOrNull(bytes, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t bytes, std::align_val_t alignment,
                     const std::nothrow_t&) noexcept {
    return allocateOrNull(bytes, static_cast<std::size_t>(alignment));
}

void operator delete(void* block) noexcept {
    release(block);
}
void operator delete[](void* block) noexcept {
    release(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    release(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    release(block);
}
void operator delete(void* block, std::size_t) noexcept {
    release(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    release(block);
}
void operator delete(void* block, std::align_val_t) noexcept {
    release(block);
}
void operator delete[](void* block, std::align_val_t) noexcept {
    release(block);
}
void operator delete(void* block, std::size_t, std::align_val_t) noexcept {
    release(block);
}
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept {
    release(block);
}
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept {
    release(block);
}
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept {
    release(block);
}

#endif  // TOV_SANITIZED_HEAP
