// The Win32 file calls: path requests go to the drive's driver, handle requests to the
// open file behind the handle.
#include <mutex>

#include "kernel/base/posix/HandleTable.h"
#include "kernel/base/posix/Win32Error.h"
#include "kernel/fs/File.h"
#include "kernel/fs/FileVersion.h"
#include "kernel/fs/posix/DriveTable.h"
#include "kernel/fs/posix/FileHandle.h"
#include "kernel/storage/PhysicalDrive.h"

namespace {

class FileObject : public TovKernelObject {
public:
    explicit FileObject(std::unique_ptr<TovDriveFile> file)
        : TovKernelObject(TovObjectType::File), file_(std::move(file)) {}

    // Runs the request with the file to itself.
    template <typename Request>
    BOOL with(Request request) {
        std::lock_guard<std::mutex> guard(lock_);
        return request(*file_);
    }

private:
    std::mutex lock_;
    std::unique_ptr<TovDriveFile> file_;
};

std::shared_ptr<FileObject> fileFor(HANDLE file) {
    return TovHandleTable::instance().lookupAs<FileObject>(file, TovObjectType::File);
}

template <typename Request>
BOOL withFile(HANDLE file, Request request) {
    std::shared_ptr<FileObject> object = fileFor(file);
    return object == nullptr ? FALSE : object->with(request);
}

}  // namespace

HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD, LPVOID, DWORD creationDisposition,
                   DWORD flagsAndAttributes, HANDLE) {
    std::unique_ptr<TovDriveFile> file;
    if (TovIsPhysicalDrivePath(path)) {
        file = TovOpenPhysicalDrive(path, access, creationDisposition);
    } else if (std::shared_ptr<TovDrive> drive = TovDriveOf(path)) {
        file = drive->open(path, access, creationDisposition, flagsAndAttributes);
    }
    if (file == nullptr) {
        return INVALID_HANDLE_VALUE;
    }
    DWORD error = GetLastError();  // ERROR_ALREADY_EXISTS stays visible to the caller
    HANDLE handle =
        TovHandleTable::instance().insert(std::make_shared<FileObject>(std::move(file)));
    SetLastError(error);
    return handle;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, DWORD* read, LPVOID) {
    if (buffer == nullptr && toRead != 0) {
        return TovFail(ERROR_INVALID_PARAMETER, FALSE);
    }
    DWORD ignored = 0;
    DWORD* count = read != nullptr ? read : &ignored;
    *count = 0;
    return withFile(file, [&](TovDriveFile& f) { return f.read(buffer, toRead, count); });
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, DWORD* written, LPVOID) {
    if (buffer == nullptr && toWrite != 0) {
        return TovFail(ERROR_INVALID_PARAMETER, FALSE);
    }
    DWORD ignored = 0;
    DWORD* count = written != nullptr ? written : &ignored;
    *count = 0;
    return withFile(file, [&](TovDriveFile& f) { return f.write(buffer, toWrite, count); });
}

DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method) {
    LONGLONG offset = distanceHigh != nullptr
                          ? static_cast<LONGLONG>(
                                (static_cast<ULONGLONG>(static_cast<DWORD>(*distanceHigh)) << 32) |
                                static_cast<DWORD>(distance))
                          : distance;
    ULONGLONG position = 0;
    BOOL moved = withFile(file, [&](TovDriveFile& f) {
        ULONGLONG previous = 0;
        if (!f.seek(0, FILE_CURRENT, &previous) || !f.seek(offset, method, &position)) {
            return FALSE;
        }
        // A position from 4 GiB on can only be reported with the high part.
        if (distanceHigh == nullptr && position >= INVALID_SET_FILE_POINTER) {
            f.seek(static_cast<LONGLONG>(previous), FILE_BEGIN, &position);
            return TovFail(ERROR_INVALID_PARAMETER, FALSE);
        }
        return TRUE;
    });
    if (!moved) {
        return INVALID_SET_FILE_POINTER;
    }
    if (distanceHigh != nullptr) {
        *distanceHigh = static_cast<LONG>(position >> 32);
    }
    SetLastError(ERROR_SUCCESS);  // tells a position of 0xFFFFFFFF from a failure
    return static_cast<DWORD>(position);
}

BOOL SetEndOfFile(HANDLE file) {
    return withFile(file, [](TovDriveFile& f) { return f.setEnd(); });
}

DWORD GetFileSize(HANDLE file, DWORD* sizeHigh) {
    ULONGLONG size = 0;
    if (!withFile(file, [&](TovDriveFile& f) { return f.size(&size); })) {
        return INVALID_FILE_SIZE;
    }
    if (sizeHigh != nullptr) {
        *sizeHigh = static_cast<DWORD>(size >> 32);
    }
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(size);
}

BOOL TovFlushFileHandle(HANDLE file) {
    return withFile(file, [](TovDriveFile& f) { return f.flush(); });
}

BOOL GetFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION* info) {
    if (info == nullptr) {
        return TovFail(ERROR_INVALID_PARAMETER, FALSE);
    }
    return withFile(file, [&](TovDriveFile& f) { return f.information(info); });
}

BOOL GetFileTime(HANDLE file, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info)) {
        return FALSE;
    }
    if (creation != nullptr) {
        *creation = info.ftCreationTime;
    }
    if (lastAccess != nullptr) {
        *lastAccess = info.ftLastAccessTime;
    }
    if (lastWrite != nullptr) {
        *lastWrite = info.ftLastWriteTime;
    }
    return TRUE;
}

DWORD GetFileAttributesA(LPCSTR path) {
    std::shared_ptr<TovDrive> drive = TovDriveOf(path);
    return drive == nullptr ? INVALID_FILE_ATTRIBUTES : drive->attributes(path);
}

BOOL SetFileAttributesA(LPCSTR path, DWORD attributes) {
    std::shared_ptr<TovDrive> drive = TovDriveOf(path);
    return drive == nullptr ? FALSE : drive->setAttributes(path, attributes);
}

BOOL DeleteFileA(LPCSTR path) {
    std::shared_ptr<TovDrive> drive = TovDriveOf(path);
    return drive == nullptr ? FALSE : drive->remove(path);
}

BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags) {
    int fromDrive = -1;
    int toDrive = -1;
    std::shared_ptr<TovDrive> drive = TovDriveOf(from, &fromDrive);
    if (drive == nullptr || TovDriveOf(to, &toDrive) == nullptr) {
        return FALSE;
    }
    if (fromDrive != toDrive) {
        return TovFail(ERROR_NOT_SAME_DEVICE, FALSE);
    }
    return drive->move(from, to, flags);
}

BOOL CreateDirectoryA(LPCSTR path, LPVOID) {
    std::shared_ptr<TovDrive> drive = TovDriveOf(path);
    return drive == nullptr ? FALSE : drive->createDirectory(path);
}

BOOL RemoveDirectoryA(LPCSTR path) {
    std::shared_ptr<TovDrive> drive = TovDriveOf(path);
    return drive == nullptr ? FALSE : drive->removeDirectory(path);
}

DWORD GetFullPathNameA(LPCSTR path, DWORD size, LPSTR buffer, LPSTR* filePart) {
    std::shared_ptr<TovDrive> drive = TovDriveOf(path);
    return drive == nullptr ? 0 : drive->fullPathName(path, size, buffer, filePart);
}

BOOL TovGetFileVersion(LPCSTR path, TovFileVersion* version) {
    if (version == nullptr) {
        return TovFail(ERROR_INVALID_PARAMETER, FALSE);
    }
    std::shared_ptr<TovDrive> drive = TovDriveOf(path);
    return drive == nullptr ? FALSE : drive->version(path, version);
}

BOOL TovGetFileVersionByHandle(HANDLE file, TovFileVersion* version) {
    if (version == nullptr) {
        return TovFail(ERROR_INVALID_PARAMETER, FALSE);
    }
    return withFile(file, [version](TovDriveFile& f) { return f.version(version); });
}
