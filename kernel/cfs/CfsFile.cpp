// Reading, seeking and describing an open member of a constant file system.
#include "kernel/cfs/CfsFile.h"

#include <cstdint>
#include <cstring>

#include "kernel/base/LastError.h"
#include "kernel/fs/DosDateTime.h"

namespace {

constexpr DWORD kAttributeCompressed = 0x800;

}  // namespace

DWORD cfsAttributes(const CfsFileEntry& entry) {
    if (entry.isDirectory()) {
        return FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY;
    }
    if (entry.hasLocalHeader()) {
        const ZipLocalHeader header = entry.header();
        if (header.compressedSize < header.uncompressedSize) {
            return FILE_ATTRIBUTE_READONLY | kAttributeCompressed;
        }
    }
    return FILE_ATTRIBUTE_READONLY;
}

CfsFile::CfsFile(std::shared_ptr<const CfsFileTable> table, const CfsFileEntry& entry)
    : table_(std::move(table)),
      entry_(entry),
      localHeader_(entry.localHeader),
      dataStart_(entry.dataStart()),
      dataEnd_(entry.dataEnd()),
      position_(dataStart_) {}

BOOL CfsFile::read(void* buffer, DWORD toRead, DWORD* read) {
    const std::size_t left = std::size_t(dataEnd_ - position_);
    const std::size_t count = toRead < left ? toRead : left;
    if (count > 0) {
        std::memcpy(buffer, position_, count);
    }
    position_ += count;
    if (read != nullptr) {
        *read = DWORD(count);
    }
    return TRUE;
}

BOOL CfsFile::seek(LONGLONG distance, DWORD method, ULONGLONG* position) {
    // A member is shorter than 4 GiB: a distance beyond 32 bits goes past its end.
    if (distance < INT32_MIN || distance > INT32_MAX) {
        SetLastError(ERROR_HANDLE_EOF);
        return FALSE;
    }
    const LONGLONG size = dataEnd_ - dataStart_;
    LONGLONG base;
    switch (method) {
        case FILE_BEGIN:
            base = 0;
            break;
        case FILE_CURRENT:
            base = position_ - dataStart_;
            break;
        case FILE_END:
            base = size;
            break;
        default:
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
    }
    const LONGLONG offset = base + distance;
    if (offset < 0) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return FALSE;
    }
    if (offset > size) {
        SetLastError(ERROR_HANDLE_EOF);
        return FALSE;
    }
    position_ = dataStart_ + offset;
    if (position != nullptr) {
        *position = ULONGLONG(offset);
    }
    return TRUE;
}

BOOL CfsFile::size(ULONGLONG* size) {
    *size = ULONGLONG(dataEnd_ - dataStart_);
    return TRUE;
}

BOOL CfsFile::information(BY_HANDLE_FILE_INFORMATION* info) {
    if (!entry_.hasLocalHeader()) {
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    const ZipLocalHeader header = entry_.header();
    const FILETIME time = TovDosDateTimeToFileTime(header.modDate, header.modTime);
    info->dwFileAttributes = cfsAttributes(entry_);
    info->ftCreationTime = time;
    info->ftLastAccessTime = time;
    info->ftLastWriteTime = time;
    info->dwVolumeSerialNumber = 0;
    info->nFileSizeHigh = 0;
    info->nFileSizeLow = header.uncompressedSize;
    info->nNumberOfLinks = 1;
    info->nFileIndexHigh = 0;
    info->nFileIndexLow = DWORD(reinterpret_cast<std::uintptr_t>(localHeader_));
    return TRUE;
}
