// The process-wide error log behind a gate, so that closing it at a reboot cannot pull it
// away from a thread that is logging.
#include "app/services/Log.h"

#include "app/services/ErrorLog.h"
#include "kernel/threads/Sync.h"

namespace rx_fwk {
namespace {

struct Gate {
    Gate() { InitializeCriticalSection(&lock); }
    CRITICAL_SECTION lock;
    ErrorLog* current = nullptr;
};

Gate& gate() {
    static Gate* instance = new Gate;  // kept until the machine restarts
    return *instance;
}

}  // namespace

int log(std::int32_t level, std::int32_t code, std::int32_t subCode, const char* firstText,
        const char* secondText) {
    Gate& g = gate();
    EnterCriticalSection(&g.lock);
    const int result = g.current == nullptr
                           ? kLogNoErrorLog
                           : g.current->log(level, code, subCode, firstText, secondText);
    LeaveCriticalSection(&g.lock);
    return result;
}

void installErrorLog(ErrorLog* created) {
    Gate& g = gate();
    EnterCriticalSection(&g.lock);
    ErrorLog* previous = g.current;
    g.current = created;
    LeaveCriticalSection(&g.lock);
    ErrorLog::destroy(previous);
}

bool readErrorLog(std::size_t index, ErrorLogMessage& out) {
    Gate& g = gate();
    EnterCriticalSection(&g.lock);
    const bool found = g.current != nullptr && g.current->message(index, out);
    LeaveCriticalSection(&g.lock);
    return found;
}

void closeErrorLog() {
    installErrorLog(nullptr);
}

}  // namespace rx_fwk
