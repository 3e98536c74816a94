// The process-wide exception manager, made under a named mutex so that two threads
// asking first get the same one.
#include "diag/tExceptionManager.h"

#include <atomic>

#include "diag/tExceptionManagerImpl.h"
#include "kernel/base/Handle.h"
#include "kernel/threads/Sync.h"

namespace nZUEmbCfg {

tExceptionManager& tExceptionManager::instance() {
    static std::atomic<tExceptionManager*> manager{nullptr};
    if (manager.load() == nullptr) {
        HANDLE once = CreateMutexA(nullptr, FALSE, "tExceptionManager::instance");
        if (once != nullptr) {
            WaitForSingleObject(once, INFINITE);
        }
        if (manager.load() == nullptr) {
            manager.store(new tExceptionManagerImpl());
        }
        if (once != nullptr) {
            ReleaseMutex(once);
            CloseHandle(once);
        }
    }
    return *manager.load();
}

}  // namespace nZUEmbCfg
