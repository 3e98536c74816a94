// Confined opening under a host directory, and case-blind name resolution.
#include "kernel/fs/posix/HostRoot.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "kernel/base/posix/CaseBlind.h"
#include "kernel/base/posix/Win32Error.h"

namespace {

std::atomic<bool> gUseOpenat2{true};

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

// The host name in `directory` that matches `name` without regard to case; the exact
// spelling first. Takes over the descriptor.
bool findEntry(int directory, const std::string& name, std::string& found) {
    struct stat status;
    if (fstatat(directory, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0) {
        close(directory);
        found = name;
        return true;
    }
    DIR* listing = fdopendir(directory);
    if (listing == nullptr) {
        close(directory);
        return false;
    }
    bool matched = false;
    while (dirent* entry = readdir(listing)) {
        if (TovSameName(entry->d_name, name) && std::strcmp(entry->d_name, ".") != 0 &&
            std::strcmp(entry->d_name, "..") != 0) {
            found = entry->d_name;
            matched = true;
            break;
        }
    }
    closedir(listing);
    return matched;
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
    std::shared_ptr<TovHostRoot> root(new TovHostRoot(descriptor, absolute));
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

DWORD TovHostRoot::resolve(const TovPathComponents& components, Resolved& resolved) const {
    resolved = Resolved();
    resolved.exists = true;
    for (std::size_t i = 0; i < components.size(); ++i) {
        int directory = openAt(resolved.host, O_RDONLY | O_DIRECTORY);
        if (directory < 0) {
            return errno == ENOENT || errno == ENOTDIR || errno == ELOOP
                       ? ERROR_PATH_NOT_FOUND
                       : TovWin32ErrorFromErrno(errno);
        }
        std::string found;
        bool exists = findEntry(directory, components[i], found);
        if (!exists && i + 1 < components.size()) {
            return ERROR_PATH_NOT_FOUND;
        }
        resolved.parent = resolved.host;
        resolved.leaf = exists ? found : components[i];
        resolved.host =
            resolved.parent.empty() ? resolved.leaf : resolved.parent + "/" + resolved.leaf;
        resolved.exists = exists;
    }
    return 0;
}
