// Synchronisation objects: critical sections, events, named mutexes and waits.
#pragma once

#include "kernel/base/Win32Types.h"

// Recursive lock owned by one thread at a time. Opaque storage; use the calls below.
struct CRITICAL_SECTION {
    alignas(8) unsigned char opaque[64];
};

void InitializeCriticalSection(CRITICAL_SECTION* section);
void DeleteCriticalSection(CRITICAL_SECTION* section);
void EnterCriticalSection(CRITICAL_SECTION* section);
BOOL TryEnterCriticalSection(CRITICAL_SECTION* section);
void LeaveCriticalSection(CRITICAL_SECTION* section);

// Events: manualReset keeps the event signalled until ResetEvent; otherwise one waiter
// consumes it. A name shares the event among callers of the same name.
HANDLE CreateEventA(LPVOID security, BOOL manualReset, BOOL initialState, LPCSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

// Mutexes: recursive, owned by a thread. With a name, a second create opens the same
// mutex and leaves ERROR_ALREADY_EXISTS as the last error.
HANDLE CreateMutexA(LPVOID security, BOOL initialOwner, LPCSTR name);
HANDLE OpenMutexA(DWORD access, BOOL inherit, LPCSTR name);
BOOL ReleaseMutex(HANDLE mutex);

// Most handles one wait accepts.
constexpr DWORD MAXIMUM_WAIT_OBJECTS = 64;

// Works on threads (signalled when ended), events and mutexes.
// WAIT_OBJECT_0, WAIT_TIMEOUT or WAIT_FAILED (with the last error).
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds);

LONG InterlockedIncrement(volatile LONG* value);
LONG InterlockedDecrement(volatile LONG* value);
LONG InterlockedExchange(volatile LONG* target, LONG value);
