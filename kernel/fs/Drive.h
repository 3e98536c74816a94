// Drives: each drive letter is served by a driver that answers the kernel's file requests
// for it. C: is a host directory; B: is the archive inside the image.
#pragma once

#include <memory>

#include "kernel/base/Win32Types.h"
#include "kernel/fs/File.h"
#include "kernel/fs/FileVersion.h"

// Every call below reports failure the Win32 way: the failure value and the last error.

// An open file of a drive, behind one kernel file handle (duplicates share it). The kernel
// serialises the calls on one file.
class TovDriveFile {
public:
    virtual ~TovDriveFile() = default;

    // At the end of the file: TRUE with *read = 0.
    virtual BOOL read(void* buffer, DWORD toRead, DWORD* read) = 0;
    // FILE_BEGIN, FILE_CURRENT or FILE_END; `position` receives the new position.
    virtual BOOL seek(LONGLONG distance, DWORD method, ULONGLONG* position) = 0;
    virtual BOOL size(ULONGLONG* size) = 0;
    // Attributes, times, size, links and index (GetFileInformationByHandle, GetFileTime).
    virtual BOOL information(BY_HANDLE_FILE_INFORMATION* info) = 0;

    // A read-only file system keeps these defaults.
    virtual BOOL write(const void* buffer, DWORD toWrite, DWORD* written);  // ACCESS_DENIED
    virtual BOOL setEnd();                                                  // ACCESS_DENIED
    virtual BOOL flush();                                                   // TRUE
    // From information(), settled: a drive that keeps this default never changes a file.
    virtual BOOL version(TovFileVersion* version);

    // The host descriptor behind the file, where it is a host file, so that the kernel's
    // loader can map it; -1 otherwise. Stays the file's own.
    virtual int hostDescriptor() const { return -1; }
};

// A search started by FindFirstFileA.
class TovDriveSearch {
public:
    virtual ~TovDriveSearch() = default;
    // FALSE with ERROR_NO_MORE_FILES after the last match.
    virtual BOOL next(WIN32_FIND_DATAA* data) = 0;
};

// The file system of one drive. Paths arrive as the caller wrote them ("C:\a\b.txt",
// "c:/A/B.TXT", "\a", "b.txt", "C:b.txt"): with this drive's letter or without one; the
// driver resolves them against its own current directory.
class TovDrive {
public:
    virtual ~TovDrive() = default;

    // CreateFileA: null on failure. CREATE_ALWAYS and OPEN_ALWAYS leave
    // ERROR_ALREADY_EXISTS when the file was there, else 0.
    virtual std::unique_ptr<TovDriveFile> open(LPCSTR path, DWORD access, DWORD disposition,
                                               DWORD flagsAndAttributes) = 0;
    // FindFirstFileA: fills in the first match; null on failure.
    virtual std::unique_ptr<TovDriveSearch> findFirst(LPCSTR pattern, WIN32_FIND_DATAA* data) = 0;
    // GetFileAttributesA: INVALID_FILE_ATTRIBUTES on failure.
    virtual DWORD attributes(LPCSTR path) = 0;
    // GetFullPathNameA.
    virtual DWORD fullPathName(LPCSTR path, DWORD size, LPSTR buffer, LPSTR* filePart) = 0;
    // The drive's own current directory (the kernel keeps which drive is current).
    virtual BOOL setCurrentDirectory(LPCSTR path) = 0;
    // GetCurrentDirectoryA of this drive ("X:\dir").
    virtual DWORD currentDirectory(DWORD size, LPSTR buffer) = 0;
    virtual UINT type() { return DRIVE_FIXED; }
    // Bytes of the volume, free, and free for the caller; ERROR_NOT_SUPPORTED by default.
    virtual BOOL space(ULONGLONG* total, ULONGLONG* free, ULONGLONG* available);
    // TovGetFileVersion; by default the version of the file opened for reading.
    virtual BOOL version(LPCSTR path, TovFileVersion* version);

    // Changing requests; a read-only file system keeps these defaults (ERROR_WRITE_PROTECT).
    virtual BOOL setAttributes(LPCSTR path, DWORD attributes);
    virtual BOOL remove(LPCSTR path);
    // Both paths on this drive.
    virtual BOOL move(LPCSTR from, LPCSTR to, DWORD flags);
    virtual BOOL createDirectory(LPCSTR path);
    virtual BOOL removeDirectory(LPCSTR path);
};

// Serves a drive by the driver: `preferred` is the drive number (0 = A:, 2 = C:), which
// replaces the drive's previous driver, or -1 for the first free drive from C: on. Answers
// the drive number given, or -1. Files open on a replaced driver stay with it.
int TovRegisterDrive(int preferred, std::shared_ptr<TovDrive> drive);
// Takes the driver away from a drive (0 = A:); files open on it stay with it. FALSE with
// ERROR_INVALID_DRIVE when the drive had none.
BOOL TovUnregisterDrive(int number);
