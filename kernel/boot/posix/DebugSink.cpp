// Debug output sinks on host file descriptors.
#include "kernel/boot/DebugSink.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include "kernel/base/LastError.h"

namespace {

void writeAll(int fd, const char* text, std::size_t length) {
    while (length > 0) {
        ssize_t written = ::write(fd, text, length);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;  // a debug line that cannot be written is dropped
        }
        text += written;
        length -= std::size_t(written);
    }
}

class ScreenSink : public DebugSink {
public:
    void write(const char* text, std::size_t length) override { writeAll(2, text, length); }
};

class FileSink : public DebugSink {
public:
    explicit FileSink(int fd) : fd_(fd) {}
    ~FileSink() override { ::close(fd_); }
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;
    void write(const char* text, std::size_t length) override { writeAll(fd_, text, length); }

private:
    int fd_;
};

}  // namespace

std::unique_ptr<DebugSink> TovMakeScreenSink() {
    return std::make_unique<ScreenSink>();
}

std::unique_ptr<DebugSink> TovMakeFileSink(const char* hostPath) {
    int fd = ::open(hostPath, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return std::make_unique<FileSink>(fd);
}
