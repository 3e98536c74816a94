// FindFirstFileA, FindNextFileA and FindClose: a search handle over the drive's search.
#include <mutex>

#include "kernel/base/Handle.h"
#include "kernel/base/posix/HandleTable.h"
#include "kernel/base/posix/Win32Error.h"
#include "kernel/fs/File.h"
#include "kernel/fs/posix/DriveTable.h"

namespace {

class FindObject : public TovKernelObject {
public:
    explicit FindObject(std::unique_ptr<TovDriveSearch> search)
        : TovKernelObject(TovObjectType::Find), search_(std::move(search)) {}

    BOOL next(WIN32_FIND_DATAA* data) {
        std::lock_guard<std::mutex> guard(lock_);
        return search_->next(data);
    }

private:
    std::mutex lock_;
    std::unique_ptr<TovDriveSearch> search_;
};

}  // namespace

HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* data) {
    if (data == nullptr) {
        return TovFail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    }
    std::shared_ptr<TovDrive> drive = TovDriveOf(pattern);
    if (drive == nullptr) {
        return INVALID_HANDLE_VALUE;
    }
    std::unique_ptr<TovDriveSearch> search = drive->findFirst(pattern, data);
    if (search == nullptr) {
        return INVALID_HANDLE_VALUE;
    }
    return TovHandleTable::instance().insert(std::make_shared<FindObject>(std::move(search)));
}

BOOL FindNextFileA(HANDLE search, WIN32_FIND_DATAA* data) {
    if (data == nullptr) {
        return TovFail(ERROR_INVALID_PARAMETER, FALSE);
    }
    std::shared_ptr<FindObject> object =
        TovHandleTable::instance().lookupAs<FindObject>(search, TovObjectType::Find);
    return object == nullptr ? FALSE : object->next(data);
}

BOOL FindClose(HANDLE search) {
    if (TovHandleTable::instance().lookupAs<FindObject>(search, TovObjectType::Find) == nullptr) {
        return FALSE;
    }
    return CloseHandle(search);
}
