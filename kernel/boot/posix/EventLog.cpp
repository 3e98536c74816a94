// Event ring with a spin lock: recording is short and never allocates, and a reader
// during a crash gives up waiting for a lock its owner will never release.
#include "kernel/boot/EventLog.h"

#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "kernel/time/Time.h"

namespace {

struct Event {
    DWORD tick;
    DWORD threadId;
    TovEvent kind;
    char text[kEventTextMax + 1];
};

struct Ring {
    std::atomic_flag busy = ATOMIC_FLAG_INIT;
    std::atomic<bool> suspended{false};
    std::size_t oldest = 0;  // sequence numbers
    std::size_t next = 0;
    Event events[kEventLogCapacity];
};

Ring gRing;

// Bounded: a crashed owner never releases the lock, and readers carry on without it.
bool lock() {
    for (int attempt = 0; attempt < 10000; ++attempt) {
        if (!gRing.busy.test_and_set(std::memory_order_acquire)) {
            return true;
        }
        ::sched_yield();
    }
    return false;
}

void unlock(bool held) {
    if (held) {
        gRing.busy.clear(std::memory_order_release);
    }
}

const char* kindName(TovEvent kind) {
    switch (kind) {
        case TovEvent::ThreadCreate:
            return "THREAD CREATE";
        case TovEvent::ThreadExit:
            return "THREAD EXIT";
        case TovEvent::DllLoad:
            return "DLL LOAD";
        case TovEvent::DllUnload:
            return "DLL UNLOAD";
        case TovEvent::Exception:
            return "EXCEPTION";
        case TovEvent::Note:
            return "NOTE";
    }
    return "EVENT";
}

}  // namespace

void TovRecordEvent(TovEvent kind, const char* format, ...) {
    if (gRing.suspended.load()) {
        return;
    }
    Event event{};
    event.tick = GetTickCount();
    event.threadId = static_cast<DWORD>(::syscall(SYS_gettid));
    event.kind = kind;
    va_list args;
    va_start(args, format);
    std::vsnprintf(event.text, sizeof event.text, format, args);
    va_end(args);

    const bool held = lock();
    if (!held) {
        return;
    }
    gRing.events[gRing.next % kEventLogCapacity] = event;
    ++gRing.next;
    if (gRing.next - gRing.oldest > kEventLogCapacity) {
        gRing.oldest = gRing.next - kEventLogCapacity;
    }
    unlock(held);
}

BOOL TovSuspendEventLog(BOOL suspend) {
    return gRing.suspended.exchange(suspend != FALSE) ? TRUE : FALSE;
}

DWORD TovEventCount() {
    const bool held = lock();
    const std::size_t count = gRing.next - gRing.oldest;
    unlock(held);
    return static_cast<DWORD>(count);
}

BOOL TovFormatEvent(DWORD index, LPSTR buffer, DWORD size) {
    if (buffer == nullptr || size == 0) {
        return FALSE;
    }
    const bool held = lock();
    if (index >= gRing.next - gRing.oldest) {
        unlock(held);
        buffer[0] = '\0';
        return FALSE;
    }
    const Event event = gRing.events[(gRing.oldest + index) % kEventLogCapacity];
    unlock(held);
    std::snprintf(buffer, size, "%10lu ms  thread %-6lu %-14s %s\n",
                  static_cast<unsigned long>(event.tick),
                  static_cast<unsigned long>(event.threadId), kindName(event.kind), event.text);
    return TRUE;
}

void TovClearEventLog() {
    const bool held = lock();
    gRing.oldest = gRing.next = 0;
    unlock(held);
}
