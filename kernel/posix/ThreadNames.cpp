// Thread names as the host keeps them.
#include "kernel/posix/ThreadNames.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

void tovThreadNameOf(pid_t threadId, char* buffer, std::size_t size) {
    if (size == 0) {
        return;
    }
    buffer[0] = '\0';
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
