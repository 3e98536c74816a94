// Kernel events for handlers the application registers; the heap's failure is the one event
// the kernel raises. A heap failure reaches every registered handler on the thread whose
// request failed, before the failing call returns.
#pragma once

#include <cstdint>

#include "kernel/base/Win32Types.h"

constexpr DWORD TOV_EVENT_HEAP_FAILURE = 0x8011;

// Registration flags.
constexpr DWORD TOV_EVENT_REMOVE = 0;
constexpr DWORD TOV_EVENT_ADD = 1;

// What failed (TovHeapFailure::kind).
constexpr std::uint32_t TOV_HEAP_CANNOT_GROW = 0;        // the heap could not take more memory
constexpr std::uint32_t TOV_HEAP_ALLOCATION_FAILED = 1;  // an allocation was refused
constexpr std::uint32_t TOV_HEAP_REALLOCATION_FAILED = 2;

// The event record of TOV_EVENT_HEAP_FAILURE. For a heap that cannot grow, `size` is the
// growth it needed (whole pages for the block and its header); otherwise the size asked for.
// A failed allocation is told twice: first the growth, then the allocation itself.
struct TovHeapFailure {
    std::uint64_t size;
    std::uint32_t kind;
};

// `event` points to the event's record; the result is the handler's own.
using TovEventHandler = DWORD (*)(void* context, const void* event);

// Adds a handler for an event code (TOV_EVENT_ADD) or removes it again (TOV_EVENT_REMOVE,
// the same handler and context). Up to eight handlers per code; FALSE with
// ERROR_INVALID_PARAMETER for an unknown code, a null handler or an unknown flag,
// ERROR_NOT_ENOUGH_MEMORY when the table is full, ERROR_NOT_FOUND for a removal of a handler
// that is not there.
BOOL TovRegisterEventHandler(DWORD code, TovEventHandler handler, void* context, DWORD flag);
