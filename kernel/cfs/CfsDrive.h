// A constant file system serving one drive: a read-only ZIP archive in memory behind the
// kernel's ordinary file calls.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "kernel/cfs/CfsFileTable.h"
#include "kernel/fs/Drive.h"

class CfsDrive : public TovDrive {
public:
    CfsDrive(std::shared_ptr<const CfsFileTable> table, int messageLevel);

    // The letter paths are reported with; set once the kernel has given the drive a number.
    void setDriveLetter(char letter) { driveLetter_ = letter; }

    std::unique_ptr<TovDriveFile> open(LPCSTR path, DWORD access, DWORD disposition,
                                       DWORD flagsAndAttributes) override;
    std::unique_ptr<TovDriveSearch> findFirst(LPCSTR pattern, WIN32_FIND_DATAA* data) override;
    DWORD attributes(LPCSTR path) override;
    DWORD fullPathName(LPCSTR path, DWORD size, LPSTR buffer, LPSTR* filePart) override;
    BOOL setCurrentDirectory(LPCSTR path) override;
    DWORD currentDirectory(DWORD size, LPSTR buffer) override;
    // The archive lives in the image's memory.
    UINT type() override { return DRIVE_RAMDISK; }

private:
    std::string fullPath(LPCSTR path) const;

    std::shared_ptr<const CfsFileTable> table_;
    const int level_;
    std::atomic<char> driveLetter_{'?'};
    mutable std::mutex lock_;              // guards the current directory
    std::string currentDirectory_ = "\\";  // "\" for the root, else "/" and the entry's name
};
