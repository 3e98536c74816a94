// A FindFirstFile search on a constant file system: the pattern and the next entry to examine.
#pragma once

#include <memory>

#include "kernel/cfs/CfsFileTable.h"
#include "kernel/fs/Drive.h"

class CfsSearch : public TovDriveSearch {
public:
    // `pattern` is the full path without the drive ("/dir/*.*"), at most MAX_PATH - 1 long.
    CfsSearch(std::shared_ptr<const CfsFileTable> table, const char* pattern, int messageLevel);

    // The first match from the head of the table (the search then goes on after it).
    // FALSE with ERROR_NO_MORE_FILES, or ERROR_INVALID_DATA for a member whose local header
    // lacks its signature.
    BOOL first(WIN32_FIND_DATAA* data);
    BOOL next(WIN32_FIND_DATAA* data) override;

    const char* pattern() const { return pattern_; }

private:
    const CfsFileEntry* scan();

    std::shared_ptr<const CfsFileTable> table_;
    const CfsFileEntry* next_;
    char pattern_[MAX_PATH];
    int level_;
};
