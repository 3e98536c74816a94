// Sector I/O on host image files with pread and pwrite.
#include "kernel/storage/posix/FileBlockDevice.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "kernel/storage/BlockDevice.h"

namespace {

constexpr DWORD kFirstHandle = 0x80;

std::mutex gLock;
// Descriptors by handle - kFirstHandle; set once, kept for the life of the process.
std::array<int, kTovMaxBlockDevices> gDescriptors = {};
DWORD gAttached = 0;

int descriptorOf(DWORD device) {
    if (device < kFirstHandle || device - kFirstHandle >= kTovMaxBlockDevices) {
        return -1;
    }
    std::lock_guard<std::mutex> guard(gLock);
    return device - kFirstHandle < gAttached ? gDescriptors[device - kFirstHandle] : -1;
}

BOOL fileSectorIo(DWORD device, DWORD firstSector, void* buffer, WORD count, BOOL read) {
    int descriptor = descriptorOf(device);
    if (descriptor < 0) {
        return FALSE;
    }
    auto* data = static_cast<char*>(buffer);
    std::size_t left = std::size_t{count} * kTovSectorSize;
    off_t offset = static_cast<off_t>(firstSector) * kTovSectorSize;
    while (left > 0) {
        ssize_t done = read ? ::pread(descriptor, data, left, offset)
                            : ::pwrite(descriptor, data, left, offset);
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done <= 0) {
            return FALSE;
        }
        data += done;
        offset += done;
        left -= static_cast<std::size_t>(done);
    }
    return TRUE;
}

}  // namespace

int TovAttachBlockDeviceFile(const std::string& path) {
    int descriptor = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (descriptor < 0 && (errno == EACCES || errno == EROFS)) {
        descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    }
    if (descriptor < 0) {
        std::fprintf(stderr, "Cannot use %s as a block device (%s)\n", path.c_str(),
                     std::strerror(errno));
        return -1;
    }
    struct stat status;
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        std::fprintf(stderr, "Cannot use %s as a block device (not a regular file)\n",
                     path.c_str());
        return -1;
    }
    std::lock_guard<std::mutex> guard(gLock);
    if (gAttached == kTovMaxBlockDevices) {
        ::close(descriptor);
        std::fprintf(stderr, "Cannot use %s as a block device (too many devices)\n", path.c_str());
        return -1;
    }
    const DWORD handle = kFirstHandle + gAttached;
    const ULONGLONG sectors = static_cast<ULONGLONG>(status.st_size) / kTovSectorSize;
    gDescriptors[gAttached] = descriptor;
    int index = TovRegisterBlockDevice(handle, sectors, &fileSectorIo);
    if (index < 0) {
        ::close(descriptor);
        std::fprintf(stderr, "Cannot use %s as a block device (no room in the table)\n",
                     path.c_str());
        return -1;
    }
    ++gAttached;
    return index;
}
