// An open file of the host-directory drive: a host descriptor with the access it was opened for.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "kernel/base/posix/Win32Error.h"
#include "kernel/fs/posix/HostDrive.h"
#include "kernel/fs/posix/HostStamp.h"
#include "kernel/time/posix/Clock.h"

namespace {

class HostFile : public TovDriveFile {
public:
    HostFile(int descriptor, DWORD access) : descriptor_(descriptor), access_(access) {}
    ~HostFile() override { close(descriptor_); }

    BOOL read(void* buffer, DWORD toRead, DWORD* read) override {
        if ((access_ & GENERIC_READ) == 0) {
            return TovFail(ERROR_ACCESS_DENIED, FALSE);
        }
        DWORD done = 0;
        while (done < toRead) {
            ssize_t count = ::read(descriptor_, static_cast<char*>(buffer) + done, toRead - done);
            if (count < 0 && errno == EINTR) {
                continue;
            }
            if (count < 0) {
                return TovFailErrno(errno, FALSE);
            }
            if (count == 0) {
                break;
            }
            done += static_cast<DWORD>(count);
        }
        *read = done;
        return TRUE;
    }

    BOOL write(const void* buffer, DWORD toWrite, DWORD* written) override {
        if ((access_ & GENERIC_WRITE) == 0) {
            return TovFail(ERROR_ACCESS_DENIED, FALSE);
        }
        DWORD done = 0;
        while (done < toWrite) {
            ssize_t count =
                ::write(descriptor_, static_cast<const char*>(buffer) + done, toWrite - done);
            if (count < 0 && errno == EINTR) {
                continue;
            }
            if (count < 0) {
                *written = done;
                return TovFailErrno(errno, FALSE);
            }
            done += static_cast<DWORD>(count);
        }
        *written = done;
        return TRUE;
    }

    BOOL seek(LONGLONG distance, DWORD method, ULONGLONG* position) override {
        static const int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
        if (method > FILE_END) {
            return TovFail(ERROR_INVALID_PARAMETER, FALSE);
        }
        off_t result = lseek(descriptor_, distance, kWhence[method]);
        if (result < 0) {
            return TovFail(errno == EINVAL ? ERROR_NEGATIVE_SEEK : TovWin32ErrorFromErrno(errno),
                           FALSE);
        }
        *position = static_cast<ULONGLONG>(result);
        return TRUE;
    }

    BOOL size(ULONGLONG* size) override {
        struct stat status;
        if (fstat(descriptor_, &status) != 0) {
            return TovFailErrno(errno, FALSE);
        }
        *size = static_cast<ULONGLONG>(status.st_size);
        return TRUE;
    }

    BOOL setEnd() override {
        if ((access_ & GENERIC_WRITE) == 0) {
            return TovFail(ERROR_ACCESS_DENIED, FALSE);
        }
        off_t position = lseek(descriptor_, 0, SEEK_CUR);
        if (position < 0 || ftruncate(descriptor_, position) != 0) {
            return TovFailErrno(errno, FALSE);
        }
        return TRUE;
    }

    BOOL flush() override {
        if (fsync(descriptor_) != 0) {
            return TovFailErrno(errno, FALSE);
        }
        return TRUE;
    }

    BOOL information(BY_HANDLE_FILE_INFORMATION* info) override {
        struct stat status;
        if (fstat(descriptor_, &status) != 0) {
            return TovFailErrno(errno, FALSE);
        }
        auto size = static_cast<ULONGLONG>(status.st_size);
        auto index = static_cast<ULONGLONG>(status.st_ino);
        info->dwFileAttributes = TovHostAttributes(status);
        info->ftCreationTime = TovFileTimeFromTimespec(status.st_mtim);
        info->ftLastAccessTime = TovFileTimeFromTimespec(status.st_atim);
        info->ftLastWriteTime = TovFileTimeFromTimespec(status.st_mtim);
        info->dwVolumeSerialNumber = static_cast<DWORD>(status.st_dev);
        info->nFileSizeHigh = static_cast<DWORD>(size >> 32);
        info->nFileSizeLow = static_cast<DWORD>(size);
        info->nNumberOfLinks = static_cast<DWORD>(status.st_nlink);
        info->nFileIndexHigh = static_cast<DWORD>(index >> 32);
        info->nFileIndexLow = static_cast<DWORD>(index);
        return TRUE;
    }

    BOOL version(TovFileVersion* version) override {
        const timespec clock = TovStampClock();
        struct stat status;
        if (fstat(descriptor_, &status) != 0) {
            return TovFailErrno(errno, FALSE);
        }
        *version = TovVersionOfStatus(status, clock);
        return TRUE;
    }
    int hostDescriptor() const override { return descriptor_; }

private:
    int descriptor_;
    DWORD access_;
};

}  // namespace

std::unique_ptr<TovDriveFile> TovMakeHostFile(int descriptor, DWORD access) {
    return std::make_unique<HostFile>(descriptor, access);
}

void TovFillFindData(const std::string& name, const struct stat& status, WIN32_FIND_DATAA* data) {
    std::memset(data, 0, sizeof *data);
    auto size = S_ISDIR(status.st_mode) ? ULONGLONG{0} : static_cast<ULONGLONG>(status.st_size);
    data->dwFileAttributes = TovHostAttributes(status);
    data->ftCreationTime = TovFileTimeFromTimespec(status.st_mtim);
    data->ftLastAccessTime = TovFileTimeFromTimespec(status.st_atim);
    data->ftLastWriteTime = TovFileTimeFromTimespec(status.st_mtim);
    data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data->nFileSizeLow = static_cast<DWORD>(size);
    std::strncpy(data->cFileName, name.c_str(), MAX_PATH - 1);
}
