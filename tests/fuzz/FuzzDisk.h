// A scratch drive C: for the fuzz targets that read files: the kernel started on a fresh
// temporary directory, removed again when the fuzzer exits.
#pragma once

#include <fcntl.h>
#include <ftw.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "kernel/boot/Kernel.h"

namespace fuzzdisk {

inline std::string& root() {
    static std::string path;
    return path;
}

inline void removeRoot() {
    if (!root().empty()) {
        nftw(
            root().c_str(),
            [](const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); },
            16, FTW_DEPTH | FTW_PHYS);
    }
}

// Starts the kernel once on a new scratch disk.
inline void start() {
    static char disk[] = "/tmp/lifeboat-fuzz-XXXXXX";
    root() = mkdtemp(disk);
    atexit(removeRoot);
    TovKernelOptions options;
    options.disk = root();
    options.pace = 0;
    TovKernelStart(options);
}

// Writes the bytes as the host file under the disk root (`relative` uses '/'), creating
// its directories.
inline void put(const std::string& relative, const std::uint8_t* data, std::size_t size) {
    std::string path = root();
    std::size_t at = 0;
    for (;;) {
        const std::size_t slash = relative.find('/', at);
        if (slash == std::string::npos) {
            break;
        }
        path = root() + "/" + relative.substr(0, slash);
        mkdir(path.c_str(), 0700);
        at = slash + 1;
    }
    path = root() + "/" + relative;
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        __builtin_trap();
    }
    for (std::size_t done = 0; done < size;) {
        const ssize_t n = write(fd, data + done, size - done);
        if (n <= 0) {
            __builtin_trap();
        }
        done += static_cast<std::size_t>(n);
    }
    close(fd);
}

inline void drop(const std::string& relative) {
    unlink((root() + "/" + relative).c_str());
}

// The host file's size, -1 when it is missing.
inline long long sizeOf(const std::string& relative) {
    struct stat s;
    return stat((root() + "/" + relative).c_str(), &s) == 0 ? static_cast<long long>(s.st_size)
                                                            : -1;
}

}  // namespace fuzzdisk
