// A process-wide run-once guard: the function runs once even when several threads call
// at the same time; it runs under a named kernel mutex.
#pragma once

#include <atomic>
#include <functional>

namespace mthread {

struct OnceGuard {
    const char* name;  // "oncemutex_" and a text unique to the call site
    std::atomic<long> done;
};

#define MTHREAD_STR2(x) #x
#define MTHREAD_STR(x) MTHREAD_STR2(x)
// A guard for this call site: file and line make its name unique.
#define MTHREAD_ONCE_GUARD(var) \
    static ::mthread::OnceGuard var { "oncemutex_" __FILE__ ":" MTHREAD_STR(__LINE__), { 0 } }

// When the mutex cannot be made or taken, the function is not called.
void callOnce(OnceGuard& guard, const std::function<void()>& function);

}  // namespace mthread
