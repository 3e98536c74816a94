// The process's handle table: handle values to shared kernel objects.
#pragma once

#include <memory>
#include <mutex>
#include <unordered_map>

#include "kernel/base/Win32Types.h"
#include "kernel/base/posix/KernelObject.h"
#include "kernel/base/posix/Win32Error.h"

// Pseudo handles: never in the table, resolved on each lookup.
inline HANDLE const kCurrentProcessHandle =
    reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));
inline HANDLE const kCurrentThreadHandle = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-2));

class TovHandleTable {
public:
    static TovHandleTable& instance();

    // A new handle to the object.
    HANDLE insert(std::shared_ptr<TovKernelObject> object);
    // The object, or null (with ERROR_INVALID_HANDLE as the last error). The thread pseudo
    // handle names the calling thread.
    std::shared_ptr<TovKernelObject> lookup(HANDLE handle);
    // The object when it has the given type, else null with ERROR_INVALID_HANDLE.
    template <typename T>
    std::shared_ptr<T> lookupAs(HANDLE handle, TovObjectType type) {
        std::shared_ptr<TovKernelObject> object = lookup(handle);
        if (object == nullptr || object->type() != type) {
            return TovFail(ERROR_INVALID_HANDLE, std::shared_ptr<T>());
        }
        return std::static_pointer_cast<T>(object);
    }
    // Forgets the handle; false with ERROR_INVALID_HANDLE when there is none.
    bool remove(HANDLE handle);

private:
    std::mutex lock_;
    std::unordered_map<std::uintptr_t, std::shared_ptr<TovKernelObject>> objects_;
    std::uintptr_t next_ = 0x100;
};

// The calling thread's object (created on first use for threads the kernel did not start).
std::shared_ptr<TovKernelObject> TovCurrentThreadObject();

// What CloseHandle does unless the file-system operation table says otherwise.
BOOL TovCloseKernelHandle(HANDLE handle);
