// The drive of a constant file system whose archive could not be read: it holds no file
// table, and every request on it fails with ERROR_NOT_READY.
#pragma once

#include "kernel/fs/Drive.h"

class CfsUnreadyDrive : public TovDrive {
public:
    explicit CfsUnreadyDrive(int messageLevel) : level_(messageLevel) {}

    std::unique_ptr<TovDriveFile> open(LPCSTR path, DWORD access, DWORD disposition,
                                       DWORD flagsAndAttributes) override;
    std::unique_ptr<TovDriveSearch> findFirst(LPCSTR pattern, WIN32_FIND_DATAA* data) override;
    DWORD attributes(LPCSTR path) override;
    DWORD fullPathName(LPCSTR path, DWORD size, LPSTR buffer, LPSTR* filePart) override;
    BOOL setCurrentDirectory(LPCSTR path) override;
    DWORD currentDirectory(DWORD size, LPSTR buffer) override;

    BOOL setAttributes(LPCSTR path, DWORD attributes) override;
    BOOL remove(LPCSTR path) override;
    BOOL move(LPCSTR from, LPCSTR to, DWORD flags) override;
    BOOL createDirectory(LPCSTR path) override;
    BOOL removeDirectory(LPCSTR path) override;

private:
    const int level_;
};
