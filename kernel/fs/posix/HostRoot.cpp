// Confined opening under a host directory, and case-blind name resolution.
#include "kernel/fs/posix/HostRoot.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "kernel/base/posix/Win32Error.h"
#include "kernel/fs/posix/HostStamp.h"

namespace {

std::atomic<bool> gUseOpenat2{true};
// Paths a program asks for again and again are few; hostile input must not grow the memory.
constexpr std::size_t kMaxMemories = 64;
constexpr std::size_t kListingBuffer = 8192;

// mkdir -p
bool makeDirectories(const std::string& path) {
    struct stat status;
    if (stat(path.c_str(), &status) == 0) {
        return S_ISDIR(status.st_mode) || (errno = ENOTDIR, false);
    }
    std::size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !makeDirectories(path.substr(0, slash))) {
        return false;
    }
    return mkdir(path.c_str(), 0777) == 0 || errno == EEXIST;
}

// Calls `visit` with each name of an open directory, from its start, until it answers
// true. False when the directory cannot be read.
template <typename Visit>
bool listNames(int directory, Visit visit) {
    if (lseek(directory, 0, SEEK_SET) < 0) {
        return false;
    }
    std::unique_ptr<char[]> buffer(new char[kListingBuffer]);
    for (;;) {
        ssize_t got = getdents64(directory, buffer.get(), kListingBuffer);
        if (got <= 0) {
            return got == 0;
        }
        for (ssize_t at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffer.get() + at);
            at += entry->d_reclen;
            if (visit(entry->d_name)) {
                return true;
            }
        }
    }
}

std::string joined(const TovPathComponents& components) {
    std::string key;
    for (const std::string& component : components) {
        key += component;
        key += '/';
    }
    return key;
}

}  // namespace

void TovHostRootUseOpenat2(bool use) {
    gUseOpenat2 = use;
}

std::shared_ptr<TovHostRoot> TovHostRoot::open(const std::string& directory) {
    if (directory.empty()) {
        return TovFail(ERROR_PATH_NOT_FOUND, nullptr);
    }
    if (!makeDirectories(directory)) {
        return TovFailErrno(errno, nullptr);
    }
    char absolute[PATH_MAX];
    if (realpath(directory.c_str(), absolute) == nullptr) {
        return TovFailErrno(errno, nullptr);
    }
    int descriptor = ::open(absolute, O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) {
        return TovFailErrno(errno, nullptr);
    }
    int listing = ::openat(descriptor, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0) {
        int error = errno;
        close(descriptor);
        return TovFailErrno(error, nullptr);
    }
    std::shared_ptr<TovHostRoot> root(new TovHostRoot(descriptor, listing, absolute));
    // A host that lacks openat2 or forbids it (a seccomp filter) gets the walk.
    int probe = root->openAt("", O_PATH | O_DIRECTORY);
    if (probe < 0 && gUseOpenat2) {
        gUseOpenat2 = false;
    }
    if (probe >= 0) {
        close(probe);
    }
    return root;
}

TovHostRoot::~TovHostRoot() {
    close(listing_);
    close(descriptor_);
}

int TovHostRoot::openAt(const std::string& relative, int flags, mode_t mode) const {
    if (gUseOpenat2) {
        open_how how{};
        how.flags = static_cast<std::uint64_t>(flags | O_CLOEXEC);
        how.mode = (flags & O_CREAT) != 0 ? mode : 0;
        how.resolve = RESOLVE_IN_ROOT | RESOLVE_NO_MAGICLINKS;
        const char* name = relative.empty() ? "." : relative.c_str();
        for (int attempt = 0; attempt < 8; ++attempt) {
            long descriptor = syscall(SYS_openat2, descriptor_, name, &how, sizeof how);
            if (descriptor >= 0) {
                return static_cast<int>(descriptor);
            }
            if (errno != EAGAIN && errno != EINTR) {
                break;  // EAGAIN: a rename raced with the lookup; try again
            }
        }
        if (errno != ENOSYS) {
            return -1;
        }
        gUseOpenat2 = false;  // the host lacks openat2: walk instead
    }
    return openWithoutLinks(relative, flags, mode);
}

// One component at a time, never following a symbolic link.
int TovHostRoot::openWithoutLinks(const std::string& relative, int flags, mode_t mode) const {
    int directory = openat(descriptor_, ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    std::size_t start = 0;
    while (directory >= 0) {
        std::size_t slash = relative.find('/', start);
        if (slash == std::string::npos) {
            break;
        }
        std::string name = relative.substr(start, slash - start);
        int next = openat(directory, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        int error = errno;
        close(directory);
        directory = next;
        errno = error;
        start = slash + 1;
    }
    if (directory < 0) {
        return -1;
    }
    std::string name = start < relative.size() ? relative.substr(start) : ".";
    int descriptor = openat(directory, name.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, mode);
    int error = errno;
    close(directory);
    struct stat status;
    if (descriptor >= 0 && (flags & O_PATH) != 0 && fstat(descriptor, &status) == 0 &&
        S_ISLNK(status.st_mode)) {
        close(descriptor);
        descriptor = -1;
        error = ELOOP;
    }
    errno = error;
    return descriptor;
}

bool TovHostRoot::findEntry(int directory, bool isRoot, const std::string& name, std::string& found,
                            struct stat& entry, struct stat& directoryStatus, bool& listed) const {
    listed = false;
    if (fstatat(directory, name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) == 0) {
        found = name;
        return true;
    }
    std::unique_lock<std::mutex> hold(listingLock_, std::defer_lock);
    if (isRoot) {
        hold.lock();  // the root's descriptor is shared, and so is its offset
    }
    // The stamp first: a name added while we read shows as a change of it.
    if (fstat(directory, &directoryStatus) != 0) {
        return false;
    }
    bool matched = false;
    listed = listNames(directory, [&](const char* host) {
        matched = std::strlen(host) == name.size() && strcasecmp(host, name.c_str()) == 0 &&
                  std::strcmp(host, ".") != 0 && std::strcmp(host, "..") != 0;
        if (matched) {
            found = host;
        }
        return matched;
    });
    return matched && fstatat(directory, found.c_str(), &entry, AT_SYMLINK_NOFOLLOW) == 0;
}

DWORD TovHostRoot::walk(const TovPathComponents& components, Resolved& resolved, Memory& memory,
                        bool& memorable) const {
    resolved = Resolved();
    resolved.exists = true;
    memorable = false;
    const timespec clock = TovStampClock();
    struct stat entry {};
    for (std::size_t i = 0; i < components.size(); ++i) {
        const bool isRoot = resolved.host.empty();
        int directory = isRoot ? listing_ : openAt(resolved.host, O_RDONLY | O_DIRECTORY);
        if (directory < 0) {
            return errno == ENOENT || errno == ENOTDIR || errno == ELOOP
                       ? ERROR_PATH_NOT_FOUND
                       : TovWin32ErrorFromErrno(errno);
        }
        std::string found;
        struct stat directoryStatus {};
        bool listed = false;
        const bool exists =
            findEntry(directory, isRoot, components[i], found, entry, directoryStatus, listed);
        if (!isRoot) {
            close(directory);
        }
        if (!exists) {
            // The answer holds while that directory keeps its stamp.
            memorable = listed && TovStampSettled(directoryStatus, clock);
            memory.directory = resolved.host;
            memory.stamp = directoryStatus;
            if (i + 1 < components.size()) {
                return ERROR_PATH_NOT_FOUND;
            }
        }
        resolved.parent = resolved.host;
        resolved.leaf = exists ? found : components[i];
        resolved.host =
            resolved.parent.empty() ? resolved.leaf : resolved.parent + "/" + resolved.leaf;
        resolved.exists = exists;
    }
    if (resolved.exists) {
        // What the path leads to; a link is followed inside the root.
        if (S_ISLNK(entry.st_mode)) {
            int target = openAt(resolved.host, O_PATH);
            resolved.statusKnown = target >= 0 && fstat(target, &resolved.status) == 0;
            if (target >= 0) {
                close(target);
            }
        } else {
            resolved.status = entry;
            resolved.statusKnown = true;
        }
        // A found entry is known again by its identity at its host path.
        memorable = resolved.statusKnown;
        memory.stamp = resolved.status;
    }
    return 0;
}

bool TovHostRoot::recall(const std::string& key, Resolved& resolved, DWORD& error) const {
    std::shared_ptr<const Memory> memory;
    {
        std::lock_guard<std::mutex> hold(memoryLock_);
        auto it = memories_.find(key);
        if (it == memories_.end()) {
            return false;
        }
        memory = it->second;
    }
    const bool found = memory->error == 0 && memory->resolved.exists;
    struct stat now;
    const std::string& checked = found ? memory->resolved.host : memory->directory;
    // Without openat2 no link may be followed, and a status call by path would follow the
    // links on the way: only entries directly in the root are checked that way.
    const bool follow = gUseOpenat2;
    if (!follow && checked.find('/') != std::string::npos) {
        return false;
    }
    // A path through a link that leads elsewhere on the host shows another identity, so
    // the answer holds only for the very entry found inside the root.
    const int status = checked.empty() ? fstat(descriptor_, &now)
                                       : fstatat(descriptor_, checked.c_str(), &now,
                                                 follow ? 0 : AT_SYMLINK_NOFOLLOW);
    const bool holds = status == 0 && (found ? now.st_dev == memory->stamp.st_dev &&
                                                   now.st_ino == memory->stamp.st_ino
                                             : TovSameStamp(now, memory->stamp));
    if (!holds) {
        std::lock_guard<std::mutex> hold(memoryLock_);
        memories_.erase(key);
        return false;
    }
    resolved = memory->resolved;
    if (found) {
        resolved.status = now;
        resolved.statusKnown = true;
    }
    error = memory->error;
    return true;
}

void TovHostRoot::remember(const std::string& key, Memory memory) const {
    auto remembered = std::make_shared<const Memory>(std::move(memory));
    std::lock_guard<std::mutex> hold(memoryLock_);
    if (memories_.size() >= kMaxMemories) {
        memories_.clear();
    }
    memories_[key] = std::move(remembered);
}

void TovHostRoot::forget() const {
    std::lock_guard<std::mutex> hold(memoryLock_);
    memories_.clear();
}

DWORD TovHostRoot::resolve(const TovPathComponents& components, Resolved& resolved) const {
    if (components.empty()) {
        resolved = Resolved();
        resolved.exists = true;
        return 0;
    }
    const std::string key = joined(components);
    DWORD error = 0;
    if (recall(key, resolved, error)) {
        return error;
    }
    Memory memory;
    bool memorable = false;
    error = walk(components, resolved, memory, memorable);
    if (memorable) {
        memory.resolved = resolved;
        memory.error = error;
        remember(key, std::move(memory));
    }
    return error;
}

DWORD TovHostRoot::status(const Resolved& resolved, struct stat& status) const {
    if (resolved.statusKnown) {
        status = resolved.status;
        return 0;
    }
    if (resolved.host.empty()) {
        return fstat(descriptor_, &status) == 0 ? 0 : TovWin32ErrorFromErrno(errno);
    }
    int entry = openAt(resolved.host, O_PATH);
    if (entry < 0 || fstat(entry, &status) != 0) {
        DWORD error = TovWin32ErrorFromErrno(errno);
        if (entry >= 0) {
            close(entry);
        }
        return error;
    }
    close(entry);
    return 0;
}
