// Unhandled processor exceptions: Win32 exception records and contexts, the process's
// unhandled-exception filter and the information block of the faulting thread.
#pragma once

#include <cstdint>

#include "kernel/base/Win32Types.h"

using ULONG_PTR = std::uintptr_t;

constexpr DWORD EXCEPTION_ACCESS_VIOLATION = 0xC0000005;
constexpr DWORD EXCEPTION_IN_PAGE_ERROR = 0xC0000006;
constexpr DWORD EXCEPTION_DATATYPE_MISALIGNMENT = 0x80000002;
constexpr DWORD EXCEPTION_ILLEGAL_INSTRUCTION = 0xC000001D;
constexpr DWORD EXCEPTION_PRIV_INSTRUCTION = 0xC0000096;
constexpr DWORD EXCEPTION_FLT_DENORMAL_OPERAND = 0xC000008D;
constexpr DWORD EXCEPTION_FLT_DIVIDE_BY_ZERO = 0xC000008E;
constexpr DWORD EXCEPTION_FLT_INEXACT_RESULT = 0xC000008F;
constexpr DWORD EXCEPTION_FLT_INVALID_OPERATION = 0xC0000090;
constexpr DWORD EXCEPTION_FLT_OVERFLOW = 0xC0000091;
constexpr DWORD EXCEPTION_FLT_UNDERFLOW = 0xC0000093;
constexpr DWORD EXCEPTION_INT_DIVIDE_BY_ZERO = 0xC0000094;
constexpr DWORD EXCEPTION_INT_OVERFLOW = 0xC0000095;
constexpr DWORD EXCEPTION_ARRAY_BOUNDS_EXCEEDED = 0xC000008C;
// An aborted process (abort(), a failed assertion).
constexpr DWORD STATUS_FATAL_APP_EXIT = 0x40000015;

constexpr DWORD EXCEPTION_NONCONTINUABLE = 0x1;
constexpr DWORD EXCEPTION_MAXIMUM_PARAMETERS = 15;

// Filter results.
constexpr LONG EXCEPTION_EXECUTE_HANDLER = 1;
constexpr LONG EXCEPTION_CONTINUE_SEARCH = 0;

struct EXCEPTION_RECORD {
    DWORD ExceptionCode;
    DWORD ExceptionFlags;
    EXCEPTION_RECORD* ExceptionRecord;
    LPVOID ExceptionAddress;
    DWORD NumberParameters;
    // Access violations: [0] 0 read, 1 write, 8 execute; [1] the address.
    ULONG_PTR ExceptionInformation[EXCEPTION_MAXIMUM_PARAMETERS];
};

// The processor state of the faulting thread (x86-64 registers; segment selectors).
struct CONTEXT {
    ULONGLONG Rax, Rbx, Rcx, Rdx, Rsi, Rdi, Rbp, Rsp, Rip;
    ULONGLONG R8, R9, R10, R11, R12, R13, R14, R15;
    ULONGLONG EFlags;
    WORD SegCs, SegDs, SegSs, SegEs, SegFs, SegGs;
};

struct EXCEPTION_POINTERS {
    EXCEPTION_RECORD* ExceptionRecord;
    CONTEXT* ContextRecord;
};

using LPTOP_LEVEL_EXCEPTION_FILTER = LONG (*)(EXCEPTION_POINTERS* exception);

// Registers the filter for processor exceptions nothing else handles (SIGSEGV, SIGBUS,
// SIGFPE, SIGILL, and SIGABRT for an aborted process); returns the previous one. Null
// restores the default handling (the process ends with the signal).
//
// The faulting thread only records its context and hands over with async-signal-safe
// means; the filter then runs on the kernel's exception dispatch thread on the faulting
// thread's behalf, so it may lock, wait and allocate. One exception is dispatched at a
// time; other faulting threads wait. The filter's result:
// - EXCEPTION_EXECUTE_HANDLER: the faulting thread ends (it never runs again);
// - EXCEPTION_CONTINUE_SEARCH: the default handling of the signal ends the process.
// A signal sent by kill is reported with the context of the thread it interrupted, which
// did nothing wrong and goes on running; one that arrives while an exception is being
// dispatched is dropped.
LPTOP_LEVEL_EXCEPTION_FILTER SetUnhandledExceptionFilter(LPTOP_LEVEL_EXCEPTION_FILTER filter);

// The kernel's information block of a thread (the parts a crash report uses).
struct TovThreadInfo {
    char name[32];             // empty when the thread has none
    std::uintptr_t stackBase;  // lowest address of the stack
    std::size_t stackSize;     // bytes from stackBase up to the top of the stack
    DWORD threadId;
};

// Information block of the calling thread; inside the unhandled-exception filter, of the
// faulting thread. FALSE (and the block zeroed) when the kernel cannot tell.
BOOL TovGetThreadInfo(TovThreadInfo* info);
