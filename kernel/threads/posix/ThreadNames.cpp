// Thread names for crash reports. The faulting thread is parked while its name is read, so
// its record stays alive; the wait lock is only tried, as the faulting thread may hold it.
#include "kernel/threads/posix/ThreadNames.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <mutex>

#include "kernel/threads/posix/ThreadRecord.h"
#include "kernel/threads/posix/Waitable.h"

namespace {

void copyBounded(char* buffer, std::size_t size, const char* text, std::size_t limit) {
    std::size_t length = ::strnlen(text, limit);
    if (length > size - 1) {
        length = size - 1;
    }
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
}

void hostNameOf(pid_t threadId, char* buffer, std::size_t size) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/task/%d/comm", static_cast<int>(threadId));
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    const ssize_t n = ::read(fd, buffer, size - 1);
    ::close(fd);
    std::size_t length = n > 0 ? static_cast<std::size_t>(n) : 0;
    while (length > 0 && (buffer[length - 1] == '\n' || buffer[length - 1] == '\0')) {
        --length;
    }
    buffer[length] = '\0';
}

}  // namespace

void tovThreadNameOf(const TovThreadRecord* record, pid_t threadId, char* buffer,
                     std::size_t size) {
    if (size == 0) {
        return;
    }
    buffer[0] = '\0';
    if (record != nullptr) {
        std::unique_lock<std::mutex> lock(TovWaitLock(), std::try_to_lock);
        copyBounded(buffer, size, record->name, sizeof record->name);
        return;
    }
    if (threadId != ::getpid()) {
        hostNameOf(threadId, buffer, size);
    }
}
