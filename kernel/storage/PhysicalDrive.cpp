// Physical drives as files: sector-sized requests passed to the block-device table.
#include "kernel/storage/PhysicalDrive.h"

#include <cctype>
#include <cstring>

#include "kernel/base/LastError.h"
#include "kernel/fs/File.h"
#include "kernel/storage/BlockDevice.h"

namespace {

constexpr char kPrefix[] = "\\\\.\\physicaldrive";
constexpr std::size_t kPrefixLength = sizeof kPrefix - 1;
// Largest request handed to a device at once: its sector count is 16 bits wide.
constexpr DWORD kMaxSectorsPerRequest = 0xFFFF;

template <typename T>
T fail(DWORD error, T failure) {
    SetLastError(error);
    return failure;
}

// The drive number of the path, or -1.
int driveNumberOf(LPCSTR path) {
    if (path == nullptr || std::strlen(path) <= kPrefixLength) {
        return -1;
    }
    for (std::size_t i = 0; i < kPrefixLength; ++i) {
        char c = static_cast<char>(std::tolower(static_cast<unsigned char>(path[i])));
        if (c == '/') {
            c = '\\';
        }
        if (c != kPrefix[i]) {
            return -1;
        }
    }
    long number = 0;
    for (const char* digit = path + kPrefixLength; *digit != '\0'; ++digit) {
        if (!std::isdigit(static_cast<unsigned char>(*digit)) || number >= kTovMaxBlockDevices) {
            return -1;
        }
        number = number * 10 + (*digit - '0');
    }
    return number < static_cast<long>(kTovMaxBlockDevices) ? static_cast<int>(number) : -1;
}

class PhysicalDriveFile : public TovDriveFile {
public:
    PhysicalDriveFile(DWORD device, ULONGLONG sectors, DWORD access)
        : device_(device), size_(sectors * kTovSectorSize), access_(access) {}

    BOOL read(void* buffer, DWORD toRead, DWORD* read) override {
        if ((access_ & GENERIC_READ) == 0) {
            return fail(ERROR_ACCESS_DENIED, FALSE);
        }
        if (!whole(toRead)) {
            return fail(ERROR_INVALID_PARAMETER, FALSE);
        }
        ULONGLONG available = position_ < size_ ? size_ - position_ : 0;
        DWORD bytes = toRead < available ? toRead : static_cast<DWORD>(available);
        if (!transfer(buffer, bytes, TRUE)) {
            return FALSE;
        }
        *read = bytes;
        return TRUE;
    }

    BOOL write(const void* buffer, DWORD toWrite, DWORD* written) override {
        if ((access_ & GENERIC_WRITE) == 0) {
            return fail(ERROR_ACCESS_DENIED, FALSE);
        }
        if (!whole(toWrite)) {
            return fail(ERROR_INVALID_PARAMETER, FALSE);
        }
        if (position_ > size_ || toWrite > size_ - position_) {
            return fail(ERROR_SECTOR_NOT_FOUND, FALSE);
        }
        if (!transfer(const_cast<void*>(buffer), toWrite, FALSE)) {
            return FALSE;
        }
        *written = toWrite;
        return TRUE;
    }

    BOOL seek(LONGLONG distance, DWORD method, ULONGLONG* position) override {
        LONGLONG base = 0;
        switch (method) {
            case FILE_BEGIN:
                break;
            case FILE_CURRENT:
                base = static_cast<LONGLONG>(position_);
                break;
            case FILE_END:
                base = static_cast<LONGLONG>(size_);
                break;
            default:
                return fail(ERROR_INVALID_PARAMETER, FALSE);
        }
        if (distance < 0 && -distance > base) {
            return fail(ERROR_NEGATIVE_SEEK, FALSE);
        }
        position_ = static_cast<ULONGLONG>(base + distance);
        *position = position_;
        return TRUE;
    }

    BOOL size(ULONGLONG* size) override {
        *size = size_;
        return TRUE;
    }

    BOOL information(BY_HANDLE_FILE_INFORMATION* info) override {
        *info = BY_HANDLE_FILE_INFORMATION{};
        info->dwFileAttributes = FILE_ATTRIBUTE_NORMAL;
        info->nFileSizeHigh = static_cast<DWORD>(size_ >> 32);
        info->nFileSizeLow = static_cast<DWORD>(size_);
        info->nNumberOfLinks = 1;
        return TRUE;
    }

    BOOL setEnd() override { return fail(ERROR_ACCESS_DENIED, FALSE); }

private:
    bool whole(DWORD bytes) const {
        return bytes % kTovSectorSize == 0 && position_ % kTovSectorSize == 0;
    }

    // Whole sectors from the current position, in requests the device can take.
    BOOL transfer(void* buffer, DWORD bytes, BOOL read) {
        auto* data = static_cast<unsigned char*>(buffer);
        ULONGLONG sector = position_ / kTovSectorSize;
        DWORD left = bytes / kTovSectorSize;
        while (left > 0) {
            DWORD count = left < kMaxSectorsPerRequest ? left : kMaxSectorsPerRequest;
            if (sector + count > 0x100000000ULL) {
                return fail(ERROR_SECTOR_NOT_FOUND, FALSE);
            }
            if (!TovBlockDeviceIo(device_, static_cast<DWORD>(sector), data,
                                  static_cast<WORD>(count), read)) {
                return FALSE;
            }
            data += count * kTovSectorSize;
            sector += count;
            position_ += ULONGLONG{count} * kTovSectorSize;
            left -= count;
        }
        return TRUE;
    }

    const DWORD device_;
    const ULONGLONG size_;
    const DWORD access_;
    ULONGLONG position_ = 0;
};

}  // namespace

bool TovIsPhysicalDrivePath(LPCSTR path) {
    return driveNumberOf(path) >= 0;
}

std::unique_ptr<TovDriveFile> TovOpenPhysicalDrive(LPCSTR path, DWORD access, DWORD disposition) {
    int number = driveNumberOf(path);
    if (number < 0) {
        return fail(ERROR_FILE_NOT_FOUND, nullptr);
    }
    if (disposition != OPEN_EXISTING) {
        return fail(ERROR_INVALID_PARAMETER, nullptr);
    }
    TovBlockDeviceInfo info;
    if (!TovGetBlockDevice(static_cast<DWORD>(number), &info)) {
        return fail(ERROR_FILE_NOT_FOUND, nullptr);
    }
    SetLastError(ERROR_SUCCESS);
    return std::make_unique<PhysicalDriveFile>(info.device, info.sectors, access);
}
