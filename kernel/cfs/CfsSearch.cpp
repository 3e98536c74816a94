// Scanning the file table of a constant file system with a search pattern.
#include "kernel/cfs/CfsSearch.h"

#include <cstring>

#include "kernel/base/LastError.h"
#include "kernel/boot/DebugPrint.h"
#include "kernel/cfs/CfsFile.h"
#include "kernel/cfs/CfsMessages.h"
#include "kernel/cfs/CfsPattern.h"
#include "kernel/fs/DosDateTime.h"

namespace {

// Implied directories have no local header: no times, no size.
bool fillFindData(const CfsFileEntry& entry, WIN32_FIND_DATAA* data) {
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

}  // namespace

CfsSearch::CfsSearch(std::shared_ptr<const CfsFileTable> table, const char* pattern, int level)
    : table_(std::move(table)), next_(table_->head()), level_(level) {
    std::strncpy(pattern_, pattern, sizeof pattern_ - 1);
    pattern_[sizeof pattern_ - 1] = '\0';
}

const CfsFileEntry* CfsSearch::scan() {
    for (const CfsFileEntry* entry = next_; entry != nullptr; entry = entry->next) {
        if (cfsPatternMatch(pattern_, entry->name, entry->nameLength)) {
            // Past the match whatever follows, so that one damaged member ends no listing.
            next_ = entry->next;
            return entry;
        }
    }
    next_ = nullptr;
    return nullptr;
}

BOOL CfsSearch::first(WIN32_FIND_DATAA* data) {
    const CfsFileEntry* match = scan();
    if (match == nullptr) {
        if (level_ >= kCfsTraceLevel) {
            TovDebugPrint("cfs: fff pc loop fail\n");
        }
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    if (!fillFindData(*match, data)) {
        if (level_ >= kCfsFailureLevel) {
            TovDebugPrint("cfs: fff fail sig\n");
        }
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    if (level_ >= kCfsTraceLevel) {
        TovDebugPrint("cfs: fff ok %s, %s\n", pattern_, data->cFileName);
    }
    return TRUE;
}

BOOL CfsSearch::next(WIN32_FIND_DATAA* data) {
    const CfsFileEntry* match = scan();
    if (match == nullptr) {
        if (level_ >= kCfsTraceLevel) {
            TovDebugPrint("cfs: fnf fail no more files\n");
        }
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
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
