#include "kernel/cfs/CfsUnreadyDrive.h"

#include "kernel/base/LastError.h"
#include "kernel/boot/DebugPrint.h"
#include "kernel/cfs/CfsMessages.h"

namespace {

template <typename Result>
Result notReady(Result failure) {
    SetLastError(ERROR_NOT_READY);
    return failure;
}

}  // namespace

std::unique_ptr<TovDriveFile> CfsUnreadyDrive::open(LPCSTR, DWORD, DWORD, DWORD) {
    if (level_ >= kCfsFailureLevel) {
        TovDebugPrint("cfs: cf out failed\n");
    }
    return notReady(std::unique_ptr<TovDriveFile>());
}

std::unique_ptr<TovDriveSearch> CfsUnreadyDrive::findFirst(LPCSTR, WIN32_FIND_DATAA*) {
    if (level_ >= kCfsFailureLevel) {
        TovDebugPrint("cfs: fff fail no file table\n");
    }
    return notReady(std::unique_ptr<TovDriveSearch>());
}

DWORD CfsUnreadyDrive::attributes(LPCSTR) {
    return notReady(INVALID_FILE_ATTRIBUTES);
}

DWORD CfsUnreadyDrive::fullPathName(LPCSTR, DWORD, LPSTR, LPSTR*) {
    return notReady(DWORD{0});
}

BOOL CfsUnreadyDrive::setCurrentDirectory(LPCSTR) {
    if (level_ >= kCfsFailureLevel) {
        TovDebugPrint("cfs: no file table\n");
    }
    return notReady(FALSE);
}

DWORD CfsUnreadyDrive::currentDirectory(DWORD, LPSTR) {
    return notReady(DWORD{0});
}

BOOL CfsUnreadyDrive::setAttributes(LPCSTR, DWORD) {
    return notReady(FALSE);
}

BOOL CfsUnreadyDrive::remove(LPCSTR) {
    return notReady(FALSE);
}

BOOL CfsUnreadyDrive::move(LPCSTR, LPCSTR, DWORD) {
    return notReady(FALSE);
}

BOOL CfsUnreadyDrive::createDirectory(LPCSTR) {
    return notReady(FALSE);
}

BOOL CfsUnreadyDrive::removeDirectory(LPCSTR) {
    return notReady(FALSE);
}
