// LocalAlloc and friends over the kernel's heap. Every caller, the C++ allocation operators
// and the C allocation calls among them, reaches them through one table of entry points,
// which start-up may wrap.
#pragma once

#include <cstddef>

#include "kernel/base/Win32Types.h"

using HLOCAL = void*;
using SIZE_T = std::size_t;

// Memory is always fixed: a block stays where it is and its handle is its address.
constexpr UINT LMEM_FIXED = 0x0000;
// LocalReAlloc may move the block.
constexpr UINT LMEM_MOVEABLE = 0x0002;
// New bytes read zero.
constexpr UINT LMEM_ZEROINIT = 0x0040;
constexpr UINT LPTR = LMEM_FIXED | LMEM_ZEROINIT;

// Null with ERROR_NOT_ENOUGH_MEMORY when the heap cannot serve the request, with
// ERROR_INVALID_PARAMETER for flags other than LMEM_ZEROINIT.
HLOCAL LocalAlloc(UINT flags, SIZE_T bytes);
// The block's usable size (at least what was asked for); 0 with ERROR_INVALID_HANDLE for null.
SIZE_T LocalSize(HLOCAL memory);
// Resizes the block. Without LMEM_MOVEABLE a block grows only where it is, which the heap
// never promises: null with ERROR_NOT_ENOUGH_MEMORY whenever it would have to move. A
// smaller size keeps the block. On failure the block is unchanged.
HLOCAL LocalReAlloc(HLOCAL memory, SIZE_T bytes, UINT flags);
// Null on success (also for null).
HLOCAL LocalFree(HLOCAL memory);

struct TovLocalMemoryEntryPoints {
    HLOCAL (*alloc)(UINT flags, SIZE_T bytes);
    SIZE_T (*size)(HLOCAL memory);
    HLOCAL (*reAlloc)(HLOCAL memory, SIZE_T bytes, UINT flags);
    HLOCAL (*free)(HLOCAL memory);
};

// The heap's own entry points, unwrapped.
const TovLocalMemoryEntryPoints* TovHeapEntryPoints();
// The entry points the four calls go through now.
const TovLocalMemoryEntryPoints* TovGetLocalMemoryEntryPoints();
// Puts a table in force; it must stay for the life of the process. A wrapper keeps the table
// it replaced and calls through it. FALSE with ERROR_INVALID_PARAMETER for a null table or
// entry.
BOOL TovSetLocalMemoryEntryPoints(const TovLocalMemoryEntryPoints* table);
