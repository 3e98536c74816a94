#include "cmdserver/net/callOnce.h"

#include <algorithm>
#include <string>

#include "kernel/base/Handle.h"
#include "kernel/threads/Sync.h"

namespace mthread {
namespace {

// Releases and closes the mutex also when the function throws.
class Held {
public:
    explicit Held(HANDLE mutex) : mutex_(mutex) {}
    ~Held() {
        ReleaseMutex(mutex_);
        CloseHandle(mutex_);
    }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

private:
    HANDLE mutex_;
};

}  // namespace

void callOnce(OnceGuard& guard, const std::function<void()>& function) {
    long one = 1;
    if (guard.done.compare_exchange_strong(one, 1)) {
        return;
    }
    std::string name = guard.name;
    std::replace(name.begin(), name.end(), '\\', '_');
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
    if (mutex == nullptr) {
        return;
    }
    DWORD waited = WaitForSingleObject(mutex, INFINITE);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        CloseHandle(mutex);
        return;
    }
    Held held(mutex);
    if (guard.done.load() == 0) {
        function();
        guard.done.exchange(1);
    }
}

}  // namespace mthread
