// Names are compared exactly, as Win32 object names are. The table holds weak references,
// so a name goes with the last handle of its object.
#include "kernel/threads/posix/NamedObjects.h"

#include <map>
#include <mutex>
#include <string>

#include "kernel/base/posix/HandleTable.h"
#include "kernel/base/posix/Win32Error.h"

namespace {

std::mutex gNamesLock;
std::map<std::string, std::weak_ptr<TovKernelObject>> gNames;

}  // namespace

HANDLE TovCreateNamedObject(LPCSTR name, TovObjectType type,
                            const std::function<std::shared_ptr<TovKernelObject>()>& create) {
    if (name == nullptr || *name == '\0') {
        HANDLE handle = TovHandleTable::instance().insert(create());
        SetLastError(ERROR_SUCCESS);
        return handle;
    }
    std::lock_guard<std::mutex> guard(gNamesLock);
    std::weak_ptr<TovKernelObject>& slot = gNames[name];
    if (std::shared_ptr<TovKernelObject> existing = slot.lock()) {
        if (existing->type() != type) {
            return TovFail(ERROR_INVALID_HANDLE, HANDLE{nullptr});
        }
        HANDLE handle = TovHandleTable::instance().insert(std::move(existing));
        SetLastError(ERROR_ALREADY_EXISTS);
        return handle;
    }
    std::shared_ptr<TovKernelObject> object = create();
    slot = object;
    HANDLE handle = TovHandleTable::instance().insert(std::move(object));
    SetLastError(ERROR_SUCCESS);
    return handle;
}

HANDLE TovOpenNamedObject(LPCSTR name, TovObjectType type) {
    if (name == nullptr) {
        return TovFail(ERROR_INVALID_PARAMETER, HANDLE{nullptr});
    }
    std::lock_guard<std::mutex> guard(gNamesLock);
    auto found = gNames.find(name);
    std::shared_ptr<TovKernelObject> existing;
    if (found != gNames.end()) {
        existing = found->second.lock();
    }
    if (existing == nullptr) {
        return TovFail(ERROR_FILE_NOT_FOUND, HANDLE{nullptr});
    }
    if (existing->type() != type) {
        return TovFail(ERROR_INVALID_HANDLE, HANDLE{nullptr});
    }
    return TovHandleTable::instance().insert(std::move(existing));
}
