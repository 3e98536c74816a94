// Handle values are multiples of four that are never reused, so a stale handle fails
// instead of reaching a newer object.
#include "kernel/base/posix/HandleTable.h"

#include "kernel/base/Handle.h"
#include "kernel/base/posix/Win32Error.h"

TovHandleTable& TovHandleTable::instance() {
    static TovHandleTable* table = new TovHandleTable;  // outlives every thread at exit
    return *table;
}

HANDLE TovHandleTable::insert(std::shared_ptr<TovKernelObject> object) {
    std::lock_guard<std::mutex> guard(lock_);
    std::uintptr_t value = next_;
    next_ += 4;
    objects_.emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<TovKernelObject> TovHandleTable::lookup(HANDLE handle) {
    if (handle == kCurrentThreadHandle) {
        return TovCurrentThreadObject();
    }
    std::lock_guard<std::mutex> guard(lock_);
    auto found = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
    if (found == objects_.end()) {
        return TovFail(ERROR_INVALID_HANDLE, nullptr);
    }
    return found->second;
}

bool TovHandleTable::remove(HANDLE handle) {
    std::shared_ptr<TovKernelObject> last;  // released outside the lock
    std::lock_guard<std::mutex> guard(lock_);
    auto found = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
    if (found == objects_.end()) {
        return TovFail(ERROR_INVALID_HANDLE, false);
    }
    last = std::move(found->second);
    objects_.erase(found);
    return true;
}

BOOL TovCloseKernelHandle(HANDLE handle) {
    if (handle == kCurrentProcessHandle || handle == kCurrentThreadHandle) {
        return TRUE;
    }
    return TovHandleTable::instance().remove(handle) ? TRUE : FALSE;
}

BOOL DuplicateHandle(HANDLE sourceProcess, HANDLE source, HANDLE targetProcess, HANDLE* target,
                     DWORD, BOOL, DWORD options) {
    if (sourceProcess != kCurrentProcessHandle || targetProcess != kCurrentProcessHandle) {
        return TovFail(ERROR_INVALID_HANDLE, FALSE);
    }
    if (target == nullptr) {
        return TovFail(ERROR_INVALID_PARAMETER, FALSE);
    }
    std::shared_ptr<TovKernelObject> object = TovHandleTable::instance().lookup(source);
    if (object == nullptr) {
        return FALSE;
    }
    *target = TovHandleTable::instance().insert(std::move(object));
    if ((options & DUPLICATE_CLOSE_SOURCE) != 0) {
        CloseHandle(source);
    }
    return TRUE;
}

HANDLE GetCurrentProcess() {
    return kCurrentProcessHandle;
}
