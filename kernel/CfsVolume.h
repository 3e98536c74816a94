// One mounted constant file system: a read-only drive over a ZIP archive in memory, with the
// file and search objects the kernel's handles point to. Every operation reports failure
// the Win32 way (result and last error).
#pragma once

#include <memory>
#include <string>

#include "kernel/CfsFileTable.h"
#include "kernel/File.h"
#include "kernel/Win32Types.h"

// An open member: the position runs between dataStart and dataEnd.
struct CfsOpenFile {
    static constexpr char kTag[4] = {'s', 'C', 'F', 'S'};

    char tag[4];
    LONG count;
    const CfsFileEntry* entry;
    const unsigned char* localHeader;
    const unsigned char* dataStart;
    const unsigned char* dataEnd;
    const unsigned char* position;
};

struct CfsSearch {
    const CfsFileEntry* next;  // the next entry to examine
    char pattern[MAX_PATH];    // full path without the drive: "/dir/*.*"
};

class CfsVolume {
public:
    // `table` may be null (a failed walk): every request then fails with error 21.
    CfsVolume(std::unique_ptr<CfsFileTable> table, char driveLetter, int messageLevel);
    CfsVolume(const CfsVolume&) = delete;
    CfsVolume& operator=(const CfsVolume&) = delete;

    char driveLetter() const { return driveLetter_; }
    const CfsFileTable* table() const { return table_.get(); }

    // Files. open() answers a new object with a count of 1; close() drops one count and
    // frees the object with the last; duplicate() adds one (the position is shared).
    CfsOpenFile* open(LPCSTR path, DWORD access, DWORD creation);
    BOOL read(CfsOpenFile* file, LPVOID buffer, DWORD toRead, DWORD* read);
    BOOL close(CfsOpenFile* file);
    BOOL duplicate(CfsOpenFile* file);
    BOOL check(const CfsOpenFile* file) const;
    DWORD setFilePointer(CfsOpenFile* file, LONG distance, LONG* distanceHigh, DWORD method);
    DWORD getFileSize(const CfsOpenFile* file, DWORD* sizeHigh);
    BOOL getFileTime(const CfsOpenFile* file, FILETIME* creation, FILETIME* lastAccess,
                     FILETIME* lastWrite);
    BOOL getFileInformation(const CfsOpenFile* file, BY_HANDLE_FILE_INFORMATION* info);
    // The member's name inside the archive; its length, copied (terminated) only if it fits.
    DWORD copyName(const CfsOpenFile* file, LPSTR buffer, DWORD size);

    // Names.
    DWORD getFileAttributes(LPCSTR path);
    CfsSearch* findFirst(LPCSTR pattern, WIN32_FIND_DATAA* data);
    BOOL findNext(CfsSearch* search, WIN32_FIND_DATAA* data);
    BOOL findClose(CfsSearch* search);
    BOOL setCurrentDirectory(LPCSTR path);
    DWORD getCurrentDirectory(DWORD size, LPSTR buffer);
    DWORD getFullPathName(LPCSTR path, DWORD size, LPSTR buffer, LPSTR* filePart);
    UINT getDriveType() const { return DRIVE_FIXED; }

private:
    std::string fullPath(LPCSTR path) const;
    bool fillFindData(const CfsFileEntry& entry, WIN32_FIND_DATAA* data) const;
    const CfsFileEntry* scan(const CfsFileEntry* from, const char* pattern) const;

    std::unique_ptr<CfsFileTable> table_;
    char driveLetter_;
    int level_;
    std::string currentDirectory_ = "\\";  // "\" for the root, else "/" and the entry's name
};

// Attributes of an entry: read-only, plus directory or compressed.
DWORD cfsAttributes(const CfsFileEntry& entry);
