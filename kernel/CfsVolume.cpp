// The operations of the constant file system on one mounted archive.
#include "kernel/CfsVolume.h"

#include <cstdint>
#include <cstring>
#include <new>

#include "kernel/CfsMessages.h"
#include "kernel/CfsPath.h"
#include "kernel/CfsPattern.h"
#include "kernel/DebugPrint.h"
#include "kernel/DosDateTime.h"
#include "kernel/LastError.h"

namespace {

constexpr std::size_t kFullPathRequestMax = 520;  // longest request GetFullPathName takes

// The path inside the archive of a full path "X:/dir/name": "dir/name".
std::string insideArchive(const std::string& full) {
    return full.substr(3);
}

bool isValid(const CfsOpenFile* file) {
    return file != nullptr && std::memcmp(file->tag, CfsOpenFile::kTag, 4) == 0 && file->count > 0;
}

}  // namespace

DWORD cfsAttributes(const CfsFileEntry& entry) {
    if (entry.isDirectory()) {
        return FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY;
    }
    if (entry.hasLocalHeader()) {
        ZipLocalHeader header = entry.header();
        if (header.compressedSize < header.uncompressedSize) {
            return FILE_ATTRIBUTE_READONLY | 0x800;  // compressed
        }
    }
    return FILE_ATTRIBUTE_READONLY;
}

CfsVolume::CfsVolume(std::unique_ptr<CfsFileTable> table, char driveLetter, int messageLevel)
    : table_(std::move(table)), driveLetter_(driveLetter), level_(messageLevel) {}

std::string CfsVolume::fullPath(LPCSTR path) const {
    return cfsFullPath(path, currentDirectory_, driveLetter_, CfsPathForm::File, level_);
}

CfsOpenFile* CfsVolume::open(LPCSTR path, DWORD access, DWORD creation) {
    if (level_ >= kCfsTraceLevel) {
        TovDebugPrint("cfs: cf in %s\n", path);
    }
    DWORD error = ERROR_SUCCESS;
    CfsOpenFile* file = nullptr;
    if (!table_) {
        error = ERROR_NOT_READY;
    } else if (creation == CREATE_NEW || creation == CREATE_ALWAYS ||
               creation == TRUNCATE_EXISTING || (access & GENERIC_WRITE) != 0) {
        error = ERROR_WRITE_PROTECT;
    } else {
        const std::string full = fullPath(path);
        const std::string name = insideArchive(full);
        if (level_ >= kCfsTraceLevel) {
            TovDebugPrint("cfs: cf bcfn out %s\n", full.c_str());
            TovDebugPrint("cfs: cf srch %s (%d)\n", name.c_str(), int(name.size()));
        }
        // The root is a directory, and the empty name would begin every member's name.
        const CfsFileEntry* entry =
            name.empty() ? nullptr : table_->findForOpen(name.data(), name.size());
        if (entry == nullptr && !name.empty()) {
            error = ERROR_FILE_NOT_FOUND;
        } else if (entry == nullptr || entry->isDirectory() || !entry->hasLocalHeader() ||
                   entry->header().method != ZipLocalHeader::kStored) {
            error = ERROR_INVALID_DATA;
        } else {
            file = new (std::nothrow) CfsOpenFile;
            if (file == nullptr) {
                error = ERROR_NOT_ENOUGH_MEMORY;
            } else {
                std::memcpy(file->tag, CfsOpenFile::kTag, 4);
                file->count = 1;
                file->entry = entry;
                file->localHeader = entry->localHeader;
                file->dataStart = entry->dataStart();
                file->dataEnd = entry->dataEnd();
                file->position = file->dataStart;
            }
        }
    }
    if (file == nullptr) {
        if (level_ >= kCfsFailureLevel) {
            TovDebugPrint("cfs: cf out failed\n");
        }
        SetLastError(error);
        return nullptr;
    }
    if (level_ >= kCfsTraceLevel) {
        TovDebugPrint("cfs: cf out %08lx\n",
                      static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(file)));
    }
    return file;
}

BOOL CfsVolume::read(CfsOpenFile* file, LPVOID buffer, DWORD toRead, DWORD* read) {
    if (!isValid(file)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const std::size_t left = std::size_t(file->dataEnd - file->position);
    const std::size_t count = toRead < left ? toRead : left;
    if (count > 0) {
        std::memcpy(buffer, file->position, count);
    }
    file->position += count;
    if (read != nullptr) {
        *read = DWORD(count);
    }
    return TRUE;
}

BOOL CfsVolume::close(CfsOpenFile* file) {
    if (!isValid(file)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (--file->count == 0) {
        std::memset(file->tag, 0, 4);
        delete file;
    }
    return TRUE;
}

BOOL CfsVolume::duplicate(CfsOpenFile* file) {
    if (!isValid(file)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    ++file->count;
    return TRUE;
}

BOOL CfsVolume::check(const CfsOpenFile* file) const {
    if (!isValid(file)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

DWORD CfsVolume::setFilePointer(CfsOpenFile* file, LONG distance, LONG* distanceHigh,
                                DWORD method) {
    if (!isValid(file)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_SET_FILE_POINTER;
    }
    if (distanceHigh != nullptr && *distanceHigh != 0) {
        SetLastError(ERROR_HANDLE_EOF);
        return INVALID_SET_FILE_POINTER;
    }
    const std::int64_t size = file->dataEnd - file->dataStart;
    std::int64_t base;
    switch (method) {
        case FILE_BEGIN:
            base = 0;
            break;
        case FILE_CURRENT:
            base = file->position - file->dataStart;
            break;
        case FILE_END:
            base = size;
            break;
        default:
            SetLastError(ERROR_INVALID_PARAMETER);
            return INVALID_SET_FILE_POINTER;
    }
    const std::int64_t offset = base + distance;
    if (offset < 0) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    if (offset > size) {
        SetLastError(ERROR_HANDLE_EOF);
        return INVALID_SET_FILE_POINTER;
    }
    file->position = file->dataStart + offset;
    if (distanceHigh != nullptr) {
        *distanceHigh = 0;
    }
    // A member is at most 4 GiB - 1 long, so an offset never looks like the failure value
    // unless it is one; the last error tells them apart as with any file.
    SetLastError(ERROR_SUCCESS);
    return DWORD(offset);
}

DWORD CfsVolume::getFileSize(const CfsOpenFile* file, DWORD* sizeHigh) {
    if (!isValid(file)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_FILE_SIZE;
    }
    if (sizeHigh != nullptr) {
        *sizeHigh = 0;
    }
    return DWORD(file->dataEnd - file->dataStart);
}

BOOL CfsVolume::getFileTime(const CfsOpenFile* file, FILETIME* creation, FILETIME* lastAccess,
                            FILETIME* lastWrite) {
    if (!isValid(file)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!file->entry->hasLocalHeader()) {
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    const ZipLocalHeader header = file->entry->header();
    const FILETIME time = TovDosDateTimeToFileTime(header.modDate, header.modTime);
    for (FILETIME* out : {creation, lastAccess, lastWrite}) {
        if (out != nullptr) {
            *out = time;
        }
    }
    return TRUE;
}

BOOL CfsVolume::getFileInformation(const CfsOpenFile* file, BY_HANDLE_FILE_INFORMATION* info) {
    if (!isValid(file)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!file->entry->hasLocalHeader()) {
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    const ZipLocalHeader header = file->entry->header();
    const FILETIME time = TovDosDateTimeToFileTime(header.modDate, header.modTime);
    info->dwFileAttributes = cfsAttributes(*file->entry);
    info->ftCreationTime = time;
    info->ftLastAccessTime = time;
    info->ftLastWriteTime = time;
    info->dwVolumeSerialNumber = 0;
    info->nFileSizeHigh = 0;
    info->nFileSizeLow = header.uncompressedSize;
    info->nNumberOfLinks = 1;
    info->nFileIndexHigh = 0;
    info->nFileIndexLow = DWORD(reinterpret_cast<std::uintptr_t>(file->localHeader));
    return TRUE;
}

DWORD CfsVolume::copyName(const CfsOpenFile* file, LPSTR buffer, DWORD size) {
    if (!isValid(file)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    const DWORD length = file->entry->nameLength;
    if (buffer != nullptr && length < size) {
        std::memcpy(buffer, file->entry->name, length);
        buffer[length] = '\0';
    }
    return length;
}

DWORD CfsVolume::getFileAttributes(LPCSTR path) {
    if (!table_) {
        SetLastError(ERROR_NOT_READY);
        return INVALID_FILE_ATTRIBUTES;
    }
    const std::string name = insideArchive(fullPath(path));
    if (name.empty()) {
        return FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY;
    }
    const CfsFileEntry* entry = table_->findForOpen(name.data(), name.size());
    if (entry == nullptr) {
        SetLastError(ERROR_NO_MORE_FILES);
        return INVALID_FILE_ATTRIBUTES;
    }
    return cfsAttributes(*entry);
}

const CfsFileEntry* CfsVolume::scan(const CfsFileEntry* from, const char* pattern) const {
    for (const CfsFileEntry* entry = from; entry != nullptr; entry = entry->next) {
        if (cfsPatternMatch(pattern, entry->name, entry->nameLength)) {
            return entry;
        }
    }
    return nullptr;
}

bool CfsVolume::fillFindData(const CfsFileEntry& entry, WIN32_FIND_DATAA* data) const {
    if (entry.localHeader != nullptr && !entry.hasLocalHeader()) {
        return false;
    }
    std::memset(data, 0, sizeof *data);
    data->dwFileAttributes = cfsAttributes(entry);
    if (entry.localHeader != nullptr) {
        const ZipLocalHeader header = entry.header();
        const FILETIME time = TovDosDateTimeToFileTime(header.modDate, header.modTime);
        data->ftCreationTime = time;
        data->ftLastAccessTime = time;
        data->ftLastWriteTime = time;
        data->nFileSizeLow = header.uncompressedSize;
    }
    std::size_t length;
    const char* base = entry.baseName(&length);
    if (length >= sizeof data->cFileName) {
        length = sizeof data->cFileName - 1;
    }
    std::memcpy(data->cFileName, base, length);
    return true;
}

CfsSearch* CfsVolume::findFirst(LPCSTR request, WIN32_FIND_DATAA* data) {
    if (!table_) {
        if (level_ >= kCfsFailureLevel) {
            TovDebugPrint("cfs: fff fail no file table\n");
        }
        SetLastError(ERROR_NOT_READY);
        return nullptr;
    }
    const std::string pattern = fullPath(request).substr(2);
    if (pattern.size() >= sizeof CfsSearch::pattern) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return nullptr;
    }
    const CfsFileEntry* match = scan(table_->head(), pattern.c_str());
    if (match == nullptr) {
        if (level_ >= kCfsTraceLevel) {
            TovDebugPrint("cfs: fff pc loop fail\n");
        }
        SetLastError(ERROR_NO_MORE_FILES);
        return nullptr;
    }
    if (!fillFindData(*match, data)) {
        if (level_ >= kCfsFailureLevel) {
            TovDebugPrint("cfs: fff fail sig\n");
        }
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    CfsSearch* search = new (std::nothrow) CfsSearch;
    if (search == nullptr) {
        if (level_ >= kCfsFailureLevel) {
            TovDebugPrint("cfs: fff fail no mem\n");
        }
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    search->next = match->next;
    std::memcpy(search->pattern, pattern.c_str(), pattern.size() + 1);
    if (level_ >= kCfsTraceLevel) {
        TovDebugPrint("cfs: fff ok %s, %s\n", search->pattern, data->cFileName);
    }
    return search;
}

BOOL CfsVolume::findNext(CfsSearch* search, WIN32_FIND_DATAA* data) {
    if (search == nullptr) {
        if (level_ >= kCfsFailureLevel) {
            TovDebugPrint("cfs: fnf fail bad handle\n");
        }
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!table_) {
        if (level_ >= kCfsFailureLevel) {
            TovDebugPrint("cfs: fnf ok fail no file table pointer\n");
        }
        SetLastError(ERROR_NOT_READY);
        return FALSE;
    }
    const CfsFileEntry* match = scan(search->next, search->pattern);
    if (match == nullptr) {
        search->next = nullptr;
        if (level_ >= kCfsTraceLevel) {
            TovDebugPrint("cfs: fnf fail no more files\n");
        }
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    // Past the match either way, so that a damaged member does not stop the listing.
    search->next = match->next;
    if (!fillFindData(*match, data)) {
        if (level_ >= kCfsFailureLevel) {
            TovDebugPrint("cfs: fnf fail bad sig\n");
        }
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    if (level_ >= kCfsTraceLevel) {
        TovDebugPrint("cfs: fnf ok %s\n", data->cFileName);
    }
    return TRUE;
}

BOOL CfsVolume::findClose(CfsSearch* search) {
    if (search == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    delete search;
    return TRUE;
}

BOOL CfsVolume::setCurrentDirectory(LPCSTR path) {
    if (path == nullptr || *path == '\0') {
        if (level_ >= kCfsFailureLevel) {
            TovDebugPrint("cfs: scd fail badparm\n");
        }
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (level_ >= kCfsTraceLevel) {
        TovDebugPrint("cfs: scd in %s, %d\n", path, int(std::strlen(path)));
    }
    if (!table_) {
        if (level_ >= kCfsErrorLevel) {
            TovDebugPrint("cfs: no file table\n");
        }
        SetLastError(ERROR_NOT_READY);
        return FALSE;
    }
    const std::string name = insideArchive(fullPath(path));
    if (level_ >= kCfsTraceLevel) {
        TovDebugPrint("cfs: scd looking for %s, %d\n", name.c_str(), int(name.size()));
    }
    if (name.empty()) {
        currentDirectory_ = "\\";
    } else {
        const CfsFileEntry* entry = table_->findExact(name.data(), name.size());
        if (entry == nullptr) {
            if (level_ >= kCfsFailureLevel) {
                TovDebugPrint("cfs: scd no file table match\n");
            }
            SetLastError(ERROR_PATH_NOT_FOUND);
            return FALSE;
        }
        if (!entry->isDirectory()) {
            if (level_ >= kCfsFailureLevel) {
                TovDebugPrint("cfs: scd not dir\n");
            }
            SetLastError(ERROR_PATH_NOT_FOUND);
            return FALSE;
        }
        if (entry->nameLength + 1u >= MAX_PATH) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return FALSE;
        }
        currentDirectory_ = "/" + std::string(entry->name, entry->nameLength);
    }
    if (level_ >= kCfsTraceLevel) {
        TovDebugPrint("cfs: scd out %s\n", currentDirectory_.c_str());
    }
    return TRUE;
}

DWORD CfsVolume::getCurrentDirectory(DWORD size, LPSTR buffer) {
    const std::string current = std::string{driveLetter_, ':'} + currentDirectory_;
    if (buffer != nullptr && current.size() < size) {
        std::memcpy(buffer, current.c_str(), current.size() + 1);
    }
    return DWORD(current.size());
}

DWORD CfsVolume::getFullPathName(LPCSTR path, DWORD size, LPSTR buffer, LPSTR* filePart) {
    if (path == nullptr || *path == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::size_t length = std::strlen(path);
    if (level_ >= kCfsTraceLevel) {
        TovDebugPrint("cfs: gfpn in %s, %d, %08lx, %08lx\n", path, int(size),
                      static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(buffer)),
                      static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(filePart)));
    }
    if (length >= kFullPathRequestMax) {
        if (level_ >= kCfsFailureLevel) {
            TovDebugPrint("cfs: gfpn path too long for temp buffer (%d > %d)\n", int(length),
                          int(kFullPathRequestMax));
        }
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (level_ >= kCfsTraceLevel) {
        TovDebugPrint("cfs: gfpn rel cd %s\n", currentDirectory_.c_str());
    }
    const std::string full = fullPath(path);
    if (level_ >= kCfsTraceLevel) {
        TovDebugPrint("cfs: gfpn postcln %s, rc %d, passed %d\n", full.c_str(), int(full.size()),
                      int(size));
    }
    if (buffer == nullptr || full.size() + 1 > size) {
        if (level_ >= kCfsTraceLevel) {
            TovDebugPrint("cfs: gfpn needed %d, passed in %d\n", int(full.size() + 1), int(size));
        }
        return DWORD(full.size() + 1);
    }
    std::memcpy(buffer, full.c_str(), full.size() + 1);
    if (filePart != nullptr) {
        *filePart = buffer + full.rfind('/') + 1;
        if (level_ >= kCfsTraceLevel) {
            TovDebugPrint("cfs: gfpn res %s (len %d), fnp %08lx, *fnp %c\n", buffer,
                          int(full.size()),
                          static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(*filePart)),
                          **filePart != '\0' ? **filePart : ' ');
        }
    } else if (level_ >= kCfsTraceLevel) {
        TovDebugPrint("cfs: gfpn res %s (len %d), no fnp\n", buffer, int(full.size()));
    }
    return DWORD(full.size());
}
