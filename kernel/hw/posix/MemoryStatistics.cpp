// Machine figures from the heap limit, the host (/proc/meminfo) and its control group (v2),
// heap figures from the C library's allocator. Host memory is not fragmented as the
// controller's page pool is, so the longest free run is every free page.
#include "kernel/hw/MemoryStatistics.h"

#include <errno.h>
#include <fcntl.h>
#include <malloc.h>
#include <pthread.h>
#include <semaphore.h>
#include <sys/sysinfo.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "kernel/base/LastError.h"
#include "kernel/heap/Heap.h"

namespace {

struct HeapQuery {
    sem_t done;
    struct mallinfo2 figures;
};

void* queryHeap(void* parameter) {
    auto* query = static_cast<HeapQuery*>(parameter);
    query->figures = ::mallinfo2();
    ::sem_post(&query->done);
    return nullptr;
}

// The allocator locks every arena to count; a thread that crashed inside the allocator
// holds one for good. The figures are then left at zero rather than hanging the report.
void readHeap(TovMemoryStatistics& statistics) {
    auto* query = new HeapQuery{};
    ::sem_init(&query->done, 0, 0);
    pthread_t thread;
    if (::pthread_create(&thread, nullptr, queryHeap, query) != 0) {
        ::sem_destroy(&query->done);
        delete query;
        return;
    }
    timespec deadline;
    ::clock_gettime(CLOCK_REALTIME, &deadline);
    deadline.tv_nsec += 500 * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000L;
    }
    int waited;
    while ((waited = ::sem_timedwait(&query->done, &deadline)) != 0 && errno == EINTR) {
    }
    if (waited != 0) {
        // Still blocked: it owns the query now, and the machine restarts after the report.
        ::pthread_detach(thread);
        return;
    }
    ::pthread_join(thread, nullptr);
    statistics.heapFreeBytes = query->figures.fordblks;
    // The top chunk is the one block that is free in one piece for certain.
    statistics.heapLargestFree = query->figures.keepcost;
    ::sem_destroy(&query->done);
    delete query;
}

struct Figures {
    std::uint64_t total;
    std::uint64_t free;
};

// The figures are read without the heap: a crash report asks for them while the crashed
// thread may hold the allocator's lock.
std::size_t readSmallFile(const char* path, char* buffer, std::size_t size) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return 0;
    }
    std::size_t length = 0;
    while (length + 1 < size) {
        const ssize_t got = ::read(fd, buffer + length, size - 1 - length);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        length += static_cast<std::size_t>(got);
    }
    ::close(fd);
    buffer[length] = '\0';
    return length;
}

// The number after `key` in /proc/meminfo ("MemTotal:   24683716 kB"), in bytes.
bool meminfoValue(const char* text, const char* key, std::uint64_t& bytes) {
    const char* at = std::strstr(text, key);
    if (at == nullptr) {
        return false;
    }
    bytes = std::strtoull(at + std::strlen(key), nullptr, 10) * 1024;
    return true;
}

bool hostFigures(Figures& figures) {
    char text[4096];
    if (readSmallFile("/proc/meminfo", text, sizeof text) > 0 &&
        meminfoValue(text, "MemTotal:", figures.total) &&
        meminfoValue(text, "MemAvailable:", figures.free)) {
        return true;
    }
    struct sysinfo machine;
    if (::sysinfo(&machine) != 0) {
        return false;
    }
    const std::uint64_t memUnit = machine.mem_unit != 0 ? machine.mem_unit : 1;
    figures.total = static_cast<std::uint64_t>(machine.totalram) * memUnit;
    figures.free = static_cast<std::uint64_t>(machine.freeram) * memUnit;
    return true;
}

// A file holding one decimal number; false when missing or not a number ("max").
bool readNumber(const char* directory, const char* name, std::uint64_t& number) {
    char path[PATH_MAX];
    if (std::snprintf(path, sizeof path, "%s/%s", directory, name) >= int(sizeof path)) {
        return false;
    }
    char text[64];
    if (readSmallFile(path, text, sizeof text) == 0 || text[0] < '0' || text[0] > '9') {
        return false;
    }
    number = std::strtoull(text, nullptr, 10);
    return true;
}

struct GroupFiles {
    char directory[PATH_MAX];  // of the process's group in the hierarchy
    std::size_t baseLength;    // of the hierarchy's root within it
    const char* limit;
    const char* usage;
};

// The process's memory group: the v1 memory controller ("4:memory:/path") or else the v2
// hierarchy ("0::/path").
bool memoryGroup(GroupFiles& files) {
    char text[4096];
    if (readSmallFile("/proc/self/cgroup", text, sizeof text) == 0) {
        return false;
    }
    bool found = false;
    for (char* line = text; line != nullptr && *line != '\0';) {
        char* next = std::strchr(line, '\n');
        if (next != nullptr) {
            *next++ = '\0';
        }
        char* controllers = std::strchr(line, ':');
        char* path = controllers != nullptr ? std::strchr(controllers + 1, ':') : nullptr;
        if (path != nullptr && path[1] == '/') {
            *path++ = '\0';
            ++controllers;
            bool memory = false;
            for (char* name = controllers; name != nullptr;) {
                char* comma = std::strchr(name, ',');
                const std::size_t length =
                    comma != nullptr ? std::size_t(comma - name) : std::strlen(name);
                memory = memory || (length == 6 && std::strncmp(name, "memory", 6) == 0);
                name = comma != nullptr ? comma + 1 : nullptr;
            }
            const char* base = memory ? "/sys/fs/cgroup/memory" : "/sys/fs/cgroup";
            if (memory || (!found && *controllers == '\0')) {
                std::snprintf(files.directory, sizeof files.directory, "%s%s", base, path);
                files.baseLength = std::strlen(base);
                files.limit = memory ? "memory.limit_in_bytes" : "memory.max";
                files.usage = memory ? "memory.usage_in_bytes" : "memory.current";
                found = true;
                if (memory) {
                    return true;
                }
            }
        }
        line = next;
    }
    return found;
}

// The lowest limit on the way from the process's group up to the hierarchy's root, and what
// that group has left. An unlimited group reads "max" (v2) or a huge number (v1).
void applyControlGroup(Figures& figures) {
    GroupFiles files{};
    if (!memoryGroup(files)) {
        return;
    }
    std::size_t length = std::strlen(files.directory);
    while (length > files.baseLength && files.directory[length - 1] == '/') {
        files.directory[--length] = '\0';
    }
    for (;;) {
        std::uint64_t limit = 0;
        std::uint64_t usage = 0;
        if (readNumber(files.directory, files.limit, limit) && limit < figures.total) {
            figures.total = limit;
            const bool known = readNumber(files.directory, files.usage, usage);
            figures.free = std::min(figures.free, known && usage < limit ? limit - usage : 0);
        }
        if (length <= files.baseLength) {
            break;
        }
        while (length > files.baseLength && files.directory[length - 1] != '/') {
            --length;
        }
        if (length > files.baseLength) {
            --length;  // the slash
        }
        files.directory[length] = '\0';
    }
    figures.free = std::min(figures.free, figures.total);
}

}  // namespace

BOOL TovGetMemoryStatistics(TovMemoryStatistics* statistics) {
    if (statistics == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *statistics = TovMemoryStatistics{};
    Figures figures{};
    if (const std::uint64_t limit = TovHeapLimit()) {
        const std::uint64_t used = TovHeapInUse();
        figures = Figures{limit, used < limit ? limit - used : 0};
    } else {
        if (!hostFigures(figures)) {
            SetLastError(ERROR_NOT_SUPPORTED);
            return FALSE;
        }
        applyControlGroup(figures);
    }
    statistics->totalBytes = figures.total;
    statistics->freeBytes = figures.free;
    statistics->freePages = figures.free / kMemoryPageSize;
    statistics->longestFreeRun = statistics->freePages;
    readHeap(*statistics);
    return TRUE;
}
