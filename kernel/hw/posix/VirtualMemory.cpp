// VirtualAlloc over anonymous mappings; the block's size sits in a header page so that
// VirtualFree(address, 0, MEM_RELEASE) can unmap it.
#include "kernel/hw/VirtualMemory.h"

#include <sys/mman.h>
#include <unistd.h>

#include "kernel/base/LastError.h"

namespace {
std::size_t pageSize() {
    return static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}
}  // namespace

LPVOID VirtualAlloc(LPVOID address, std::size_t size, DWORD allocationType, DWORD protect) {
    const DWORD kind = allocationType & ~MEM_RESERVE;
    if (address != nullptr || size == 0 || kind != MEM_COMMIT || protect != PAGE_READWRITE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const std::size_t page = pageSize();
    if (size > SIZE_MAX - 2 * page) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    const std::size_t total = page + (size + page - 1) / page * page;
    void* block =
        ::mmap(nullptr, total, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    *static_cast<std::size_t*>(block) = total;
    return static_cast<char*>(block) + page;
}

BOOL VirtualFree(LPVOID address, std::size_t size, DWORD freeType) {
    if (address == nullptr || size != 0 || freeType != MEM_RELEASE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    char* block = static_cast<char*>(address) - pageSize();
    const std::size_t total = *reinterpret_cast<std::size_t*>(block);
    if (::munmap(block, total) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}
