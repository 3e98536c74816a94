// Threads: created suspended or running, resumed, named, prioritised, waited for.
#pragma once

#include <cstdint>

#include "kernel/base/Win32Types.h"

using LPTHREAD_START_ROUTINE = DWORD (*)(LPVOID parameter);

constexpr DWORD CREATE_SUSPENDED = 0x4;

constexpr int THREAD_PRIORITY_IDLE = -15;
constexpr int THREAD_PRIORITY_LOWEST = -2;
constexpr int THREAD_PRIORITY_BELOW_NORMAL = -1;
constexpr int THREAD_PRIORITY_NORMAL = 0;
constexpr int THREAD_PRIORITY_ABOVE_NORMAL = 1;
constexpr int THREAD_PRIORITY_HIGHEST = 2;
constexpr int THREAD_PRIORITY_TIME_CRITICAL = 15;
constexpr int THREAD_PRIORITY_ERROR_RETURN = 0x7fffffff;

// Longest thread name the kernel keeps, without the terminator.
constexpr std::size_t kThreadNameMax = 31;

HANDLE CreateThread(LPVOID security, std::size_t stackSize, LPTHREAD_START_ROUTINE start,
                    LPVOID parameter, DWORD flags, DWORD* threadId);

// C runtime flavour: returns the handle as a number, 0 on failure.
std::uintptr_t _beginthreadex(void* security, unsigned stackSize,
                              unsigned (*start)(void* parameter), void* parameter, unsigned flags,
                              unsigned* threadId);

// Previous suspend count, or 0xFFFFFFFF on failure.
DWORD ResumeThread(HANDLE thread);
DWORD SuspendThread(HANDLE thread);

BOOL SetThreadPriority(HANDLE thread, int priority);
int GetThreadPriority(HANDLE thread);

// STILL_ACTIVE while the thread runs.
BOOL GetExitCodeThread(HANDLE thread, DWORD* exitCode);

[[noreturn]] void ExitThread(DWORD exitCode);

// A pseudo handle meaning "the calling thread".
HANDLE GetCurrentThread();
DWORD GetCurrentThreadId();

// Names are cut to kThreadNameMax characters; the host thread gets what Linux allows.
BOOL TovSetThreadName(HANDLE thread, LPCSTR name);
// Copies the name (terminated, cut to size - 1); empty when none was set.
BOOL TovGetThreadName(HANDLE thread, LPSTR buffer, DWORD size);

// Stack of the calling thread (base = highest address), for crash reports.
BOOL TovGetThreadStack(HANDLE thread, std::uintptr_t* base, std::size_t* size);
