// An open member of a constant file system, behind one kernel file handle.
#pragma once

#include <memory>

#include "kernel/cfs/CfsFileTable.h"
#include "kernel/fs/Drive.h"

class CfsFile : public TovDriveFile {
public:
    // `entry` is a stored member with its local header; the table keeps it alive.
    CfsFile(std::shared_ptr<const CfsFileTable> table, const CfsFileEntry& entry);

    BOOL read(void* buffer, DWORD toRead, DWORD* read) override;
    BOOL seek(LONGLONG distance, DWORD method, ULONGLONG* position) override;
    BOOL size(ULONGLONG* size) override;
    BOOL information(BY_HANDLE_FILE_INFORMATION* info) override;

private:
    std::shared_ptr<const CfsFileTable> table_;
    const CfsFileEntry& entry_;
    const unsigned char* localHeader_;
    const unsigned char* dataStart_;
    const unsigned char* dataEnd_;
    const unsigned char* position_;  // between dataStart_ and dataEnd_
};

// Attributes of an entry: read-only, plus directory, or compressed when the member is
// smaller in the archive than its content.
DWORD cfsAttributes(const CfsFileEntry& entry);
