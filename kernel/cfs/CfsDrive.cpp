// Name requests of the constant file system: open, attributes, search, directories, paths.
#include "kernel/cfs/CfsDrive.h"

#include <cstdint>
#include <cstring>

#include "kernel/base/LastError.h"
#include "kernel/boot/DebugPrint.h"
#include "kernel/cfs/CfsFile.h"
#include "kernel/cfs/CfsMessages.h"
#include "kernel/cfs/CfsPath.h"
#include "kernel/cfs/CfsSearch.h"

namespace {

constexpr std::size_t kFullPathRequestMax = 520;  // longest request GetFullPathName takes

// The path inside the archive of a full path "X:/dir/name": "dir/name".
std::string insideArchive(const std::string& full) {
    return full.substr(3);
}

unsigned long address(const void* pointer) {
    return static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(pointer));
}

}  // namespace

CfsDrive::CfsDrive(std::shared_ptr<const CfsFileTable> table, int messageLevel)
    : table_(std::move(table)), level_(messageLevel) {}

std::string CfsDrive::fullPath(LPCSTR path) const {
    std::string current;
    {
        std::lock_guard<std::mutex> guard(lock_);
        current = currentDirectory_;
    }
    return cfsFullPath(path, current, driveLetter_, CfsPathForm::File, level_);
}

std::unique_ptr<TovDriveFile> CfsDrive::open(LPCSTR path, DWORD access, DWORD disposition, DWORD) {
    if (level_ >= kCfsTraceLevel) {
        TovDebugPrint("cfs: cf in %s\n", path);
    }
    DWORD error = ERROR_SUCCESS;
    std::unique_ptr<TovDriveFile> file;
    if (disposition == CREATE_NEW || disposition == CREATE_ALWAYS ||
        disposition == TRUNCATE_EXISTING || (access & GENERIC_WRITE) != 0) {
        error = ERROR_WRITE_PROTECT;  // nothing on this drive is ever created or changed
    } else {
        const std::string full = fullPath(path);
        const std::string name = insideArchive(full);
        if (level_ >= kCfsTraceLevel) {
            TovDebugPrint("cfs: cf bcfn out %s\n", full.c_str());
            TovDebugPrint("cfs: cf srch %s (%d)\n", name.c_str(), int(name.size()));
        }
        // The root is a directory; as a prefix its empty name would match every member.
        const CfsFileEntry* entry =
            name.empty() ? nullptr : table_->findForOpen(name.data(), name.size());
        if (entry == nullptr && !name.empty()) {
            error = ERROR_FILE_NOT_FOUND;
        } else if (entry == nullptr || entry->isDirectory() || !entry->hasLocalHeader() ||
                   entry->header().method != ZipLocalHeader::kStored) {
            error = ERROR_INVALID_DATA;
        } else {
            try {
                file = std::make_unique<CfsFile>(table_, *entry);
            } catch (const std::bad_alloc&) {
                error = ERROR_NOT_ENOUGH_MEMORY;
            }
        }
    }
    if (!file) {
        if (level_ >= kCfsFailureLevel) {
            TovDebugPrint("cfs: cf out failed\n");
        }
        SetLastError(error);
        return nullptr;
    }
    if (level_ >= kCfsTraceLevel) {
        TovDebugPrint("cfs: cf out %08lx\n", address(file.get()));
    }
    return file;
}

DWORD CfsDrive::attributes(LPCSTR path) {
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

std::unique_ptr<TovDriveSearch> CfsDrive::findFirst(LPCSTR request, WIN32_FIND_DATAA* data) {
    const std::string pattern = fullPath(request).substr(2);
    if (pattern.size() >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return nullptr;
    }
    std::unique_ptr<CfsSearch> search;
    try {
        search = std::make_unique<CfsSearch>(table_, pattern.c_str(), level_);
    } catch (const std::bad_alloc&) {
        if (level_ >= kCfsFailureLevel) {
            TovDebugPrint("cfs: fff fail no mem\n");
        }
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (!search->first(data)) {
        return nullptr;
    }
    return search;
}

BOOL CfsDrive::setCurrentDirectory(LPCSTR path) {
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
    const std::string name = insideArchive(fullPath(path));
    if (level_ >= kCfsTraceLevel) {
        TovDebugPrint("cfs: scd looking for %s, %d\n", name.c_str(), int(name.size()));
    }
    std::string current = "\\";
    if (!name.empty()) {
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
        if (entry->nameLength + 4u > MAX_PATH) {  // "X:/" and the terminator must fit too
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return FALSE;
        }
        current = "/" + std::string(entry->name, entry->nameLength);
    }
    if (level_ >= kCfsTraceLevel) {
        TovDebugPrint("cfs: scd out %s\n", current.c_str());
    }
    std::lock_guard<std::mutex> guard(lock_);
    currentDirectory_ = current;
    return TRUE;
}

DWORD CfsDrive::currentDirectory(DWORD size, LPSTR buffer) {
    std::string current{driveLetter_, ':'};
    {
        std::lock_guard<std::mutex> guard(lock_);
        current += currentDirectory_;
    }
    if (buffer != nullptr && current.size() < size) {
        std::memcpy(buffer, current.c_str(), current.size() + 1);
    }
    return DWORD(current.size());
}

DWORD CfsDrive::fullPathName(LPCSTR path, DWORD size, LPSTR buffer, LPSTR* filePart) {
    if (path == nullptr || *path == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::size_t length = std::strlen(path);
    if (level_ >= kCfsTraceLevel) {
        TovDebugPrint("cfs: gfpn in %s, %d, %08lx, %08lx\n", path, int(size), address(buffer),
                      address(filePart));
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
        std::lock_guard<std::mutex> guard(lock_);
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
                          int(full.size()), address(*filePart),
                          **filePart != '\0' ? **filePart : ' ');
        }
    } else if (level_ >= kCfsTraceLevel) {
        TovDebugPrint("cfs: gfpn res %s (len %d), no fnp\n", buffer, int(full.size()));
    }
    return DWORD(full.size());
}
