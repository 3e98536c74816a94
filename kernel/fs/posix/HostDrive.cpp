// Requests on the host-directory drive that name a path: open, attributes, directories,
// delete and move, the drive's current directory and full path names.
#include "kernel/fs/posix/HostDrive.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "kernel/base/posix/Win32Error.h"
#include "kernel/fs/posix/HostStamp.h"

namespace {

// Closes a descriptor when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int value) : value_(value) {}
    ~Descriptor() {
        if (value_ >= 0) {
            close(value_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return value_; }
    int release() {
        int value = value_;
        value_ = -1;
        return value;
    }

private:
    int value_;
};

bool isReadOnly(const struct stat& status) {
    return (status.st_mode & S_IWUSR) == 0;
}

// Copies a text the Win32 way: the length when it fits, else the size needed.
DWORD copyOut(const std::string& text, DWORD size, LPSTR buffer) {
    if (buffer == nullptr || size <= text.size()) {
        return static_cast<DWORD>(text.size() + 1);
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}

// Whether an existing entry may be opened or have its attributes changed through the
// drive: 0 or the Win32 error. Only regular files and directories: a FIFO would block the
// caller and a device node is a host device. A file with another name is refused too, as
// that name may lie outside the disk directory (a hard link), and the drive cannot tell.
DWORD reachable(const struct stat& status) {
    if (S_ISDIR(status.st_mode)) {
        return 0;
    }
    return S_ISREG(status.st_mode) && status.st_nlink <= 1 ? 0 : ERROR_ACCESS_DENIED;
}

// The host's name for an open descriptor, to open the very file it holds once more.
std::string descriptorPath(int descriptor) {
    return "/proc/self/fd/" + std::to_string(descriptor);
}

}  // namespace

DWORD TovHostAttributes(const struct stat& status) {
    DWORD attributes = S_ISDIR(status.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if (isReadOnly(status)) {
        attributes |= FILE_ATTRIBUTE_READONLY;
    }
    return attributes;
}

DWORD TovHostDrive::parse(LPCSTR path, TovNameCheck check, TovDrivePath& parsed) const {
    if (path == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    std::lock_guard<std::mutex> guard(lock_);
    return TovParseDrivePath(path, currentDirectory_, check, parsed);
}

DWORD TovHostDrive::locate(LPCSTR path, TovNameCheck check, TovDrivePath& parsed,
                           TovHostRoot::Resolved& resolved) const {
    DWORD error = parse(path, check, parsed);
    return error != 0 ? error : root_->resolve(parsed.components, resolved);
}

DWORD TovHostDrive::openEntry(const std::string& host, int flags, mode_t mode,
                              int& descriptor) const {
    const int access = flags & O_ACCMODE;
    const bool creating = (flags & O_CREAT) != 0;
    const bool writing = access != O_RDONLY || (flags & O_TRUNC) != 0;
    // What is checked is what is opened: the entry is taken as a path descriptor, checked,
    // and opened again through that descriptor, so a name swapped for a link, a FIFO or
    // another file between the check and the use changes nothing. A new file is made with
    // O_EXCL, so it is the file just made.
    for (int attempt = 0; attempt < 4; ++attempt) {
        if (creating) {
            descriptor = root_->openAt(host, access | O_CREAT | O_EXCL, mode);
            if (descriptor >= 0) {
                return 0;
            }
            if (errno != EEXIST) {
                return TovWin32ErrorFromErrno(errno);
            }
            if ((flags & O_EXCL) != 0) {
                return ERROR_FILE_EXISTS;
            }
        }
        Descriptor entry(root_->openAt(host, O_PATH));
        if (entry.get() < 0) {
            if (errno == ENOENT && creating) {
                continue;  // removed meanwhile, or a link to nothing: make it again
            }
            return TovWin32ErrorFromErrno(errno);
        }
        struct stat status;
        if (fstat(entry.get(), &status) != 0) {
            return TovWin32ErrorFromErrno(errno);
        }
        if (S_ISDIR(status.st_mode)) {
            return ERROR_ACCESS_DENIED;
        }
        if (DWORD error = reachable(status)) {
            return error;
        }
        if (writing && isReadOnly(status)) {
            return ERROR_ACCESS_DENIED;
        }
        descriptor = ::open(descriptorPath(entry.get()).c_str(),
                            (flags & ~(O_CREAT | O_EXCL)) | O_CLOEXEC | O_NOCTTY);
        return descriptor >= 0 ? 0 : TovWin32ErrorFromErrno(errno);
    }
    return ERROR_FILE_NOT_FOUND;
}

std::unique_ptr<TovDriveFile> TovHostDrive::open(LPCSTR path, DWORD access, DWORD disposition,
                                                 DWORD flagsAndAttributes) {
    if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING) {
        return TovFail(ERROR_INVALID_PARAMETER, nullptr);
    }
    TovDrivePath parsed;
    TovHostRoot::Resolved resolved;
    if (DWORD error = locate(path, TovNameCheck::Names, parsed, resolved)) {
        return TovFail(error, nullptr);
    }
    bool writing = (access & GENERIC_WRITE) != 0;
    if (resolved.exists) {
        struct stat existing;
        if (DWORD error = status(resolved, existing)) {
            return TovFail(error, nullptr);
        }
        if (S_ISDIR(existing.st_mode)) {
            return TovFail(ERROR_ACCESS_DENIED, nullptr);
        }
        if (disposition == CREATE_NEW) {
            return TovFail(ERROR_FILE_EXISTS, nullptr);
        }
        // The read-only bit holds even for a host user who could write anyway (root).
        if (isReadOnly(existing) &&
            (writing || disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING)) {
            return TovFail(ERROR_ACCESS_DENIED, nullptr);
        }
    } else if (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING) {
        return TovFail(ERROR_FILE_NOT_FOUND, nullptr);
    }
    if (parsed.trailingSeparator) {
        return TovFail(ERROR_INVALID_NAME, nullptr);
    }
    if (disposition == TRUNCATE_EXISTING && !writing) {
        return TovFail(ERROR_INVALID_PARAMETER, nullptr);
    }

    int flags = (access & GENERIC_READ) != 0 && writing ? O_RDWR : writing ? O_WRONLY : O_RDONLY;
    switch (disposition) {
        case CREATE_NEW:
            flags |= O_CREAT | O_EXCL;
            break;
        case CREATE_ALWAYS:
            flags |= O_CREAT | O_TRUNC;
            break;
        case OPEN_ALWAYS:
            flags |= O_CREAT;
            break;
        case TRUNCATE_EXISTING:
            flags |= O_TRUNC;
            break;
        default:
            break;
    }
    mode_t mode = (flagsAndAttributes & FILE_ATTRIBUTE_READONLY) != 0 ? 0444 : 0666;
    int descriptor = -1;
    if (DWORD error = openEntry(resolved.host, flags, mode, descriptor)) {
        return TovFail(error, nullptr);
    }
    if (!resolved.exists) {
        root_->forget();
    }
    if (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS) {
        SetLastError(resolved.exists ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    }
    return TovMakeHostFile(descriptor, access);
}

DWORD TovHostDrive::attributes(LPCSTR path) {
    TovDrivePath parsed;
    TovHostRoot::Resolved resolved;
    if (DWORD error = locate(path, TovNameCheck::Names, parsed, resolved)) {
        return TovFail(error, INVALID_FILE_ATTRIBUTES);
    }
    if (!resolved.exists) {
        return TovFail(ERROR_FILE_NOT_FOUND, INVALID_FILE_ATTRIBUTES);
    }
    struct stat host;
    if (DWORD error = status(resolved, host)) {
        return TovFail(error, INVALID_FILE_ATTRIBUTES);
    }
    return TovHostAttributes(host);
}

BOOL TovHostDrive::setAttributes(LPCSTR path, DWORD attributes) {
    TovDrivePath parsed;
    TovHostRoot::Resolved resolved;
    if (DWORD error = locate(path, TovNameCheck::Names, parsed, resolved)) {
        return TovFail(error, FALSE);
    }
    if (!resolved.exists) {
        return TovFail(ERROR_FILE_NOT_FOUND, FALSE);
    }
    Descriptor file(root_->openAt(resolved.host, O_PATH));
    struct stat host;
    if (file.get() < 0 || fstat(file.get(), &host) != 0) {
        return TovFailErrno(errno, FALSE);
    }
    if (DWORD error = reachable(host)) {
        return TovFail(error, FALSE);
    }
    mode_t mode = host.st_mode & 07777;
    mode = (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? mode & ~mode_t{0222} : mode | S_IWUSR;
    // chmod through the descriptor's /proc link: the file found inside the root, no other.
    if (chmod(descriptorPath(file.get()).c_str(), mode) != 0) {
        return TovFailErrno(errno, FALSE);
    }
    return TRUE;
}

BOOL TovHostDrive::existingEntry(LPCSTR path, int& parent, std::string& leaf,
                                 struct stat& host) const {
    TovDrivePath parsed;
    TovHostRoot::Resolved resolved;
    if (DWORD error = locate(path, TovNameCheck::Names, parsed, resolved)) {
        return TovFail(error, FALSE);
    }
    if (parsed.components.empty()) {
        return TovFail(ERROR_ACCESS_DENIED, FALSE);
    }
    if (!resolved.exists) {
        return TovFail(ERROR_FILE_NOT_FOUND, FALSE);
    }
    parent = root_->openAt(resolved.parent, O_RDONLY | O_DIRECTORY);
    if (parent < 0 || fstatat(parent, resolved.leaf.c_str(), &host, AT_SYMLINK_NOFOLLOW) != 0) {
        return TovFailErrno(errno, FALSE);
    }
    leaf = resolved.leaf;
    return TRUE;
}

BOOL TovHostDrive::remove(LPCSTR path) {
    int parentFd = -1;
    std::string leaf;
    struct stat host;
    const BOOL found = existingEntry(path, parentFd, leaf, host);
    Descriptor parent(parentFd);
    if (!found) {
        return FALSE;
    }
    if (S_ISDIR(host.st_mode) || (S_ISREG(host.st_mode) && isReadOnly(host))) {
        return TovFail(ERROR_ACCESS_DENIED, FALSE);
    }
    root_->forget();
    if (unlinkat(parent.get(), leaf.c_str(), 0) != 0) {
        return TovFailErrno(errno, FALSE);
    }
    return TRUE;
}

BOOL TovHostDrive::move(LPCSTR from, LPCSTR to, DWORD flags) {
    TovDrivePath fromPath;
    TovDrivePath toPath;
    TovHostRoot::Resolved source;
    TovHostRoot::Resolved target;
    if (DWORD error = locate(from, TovNameCheck::Names, fromPath, source)) {
        return TovFail(error, FALSE);
    }
    if (DWORD error = locate(to, TovNameCheck::Names, toPath, target)) {
        return TovFail(error, FALSE);
    }
    if (fromPath.components.empty() || toPath.components.empty()) {
        return TovFail(ERROR_ACCESS_DENIED, FALSE);
    }
    if (!source.exists) {
        return TovFail(ERROR_FILE_NOT_FOUND, FALSE);
    }
    // Renaming a file to another spelling of its own name gives it the new spelling.
    bool respelling = target.exists && target.host == source.host;
    std::string targetLeaf = respelling ? toPath.components.back() : target.leaf;
    if (target.exists && !respelling) {
        if ((flags & MOVEFILE_REPLACE_EXISTING) == 0) {
            return TovFail(ERROR_ALREADY_EXISTS, FALSE);
        }
        struct stat existing;
        if (DWORD error = status(target, existing)) {
            return TovFail(error, FALSE);
        }
        if (S_ISDIR(existing.st_mode) || isReadOnly(existing)) {
            return TovFail(ERROR_ACCESS_DENIED, FALSE);
        }
    }
    Descriptor sourceParent(root_->openAt(source.parent, O_RDONLY | O_DIRECTORY));
    Descriptor targetParent(root_->openAt(target.parent, O_RDONLY | O_DIRECTORY));
    if (sourceParent.get() < 0 || targetParent.get() < 0) {
        return TovFailErrno(errno, FALSE);
    }
    root_->forget();
    unsigned int renameFlags = target.exists ? 0 : RENAME_NOREPLACE;
    int result = renameat2(sourceParent.get(), source.leaf.c_str(), targetParent.get(),
                           targetLeaf.c_str(), renameFlags);
    if (result != 0 && renameFlags != 0 && (errno == EINVAL || errno == ENOSYS)) {
        result = renameat(sourceParent.get(), source.leaf.c_str(), targetParent.get(),
                          targetLeaf.c_str());  // a file system without RENAME_NOREPLACE
    }
    if (result != 0) {
        return TovFailErrno(errno == EEXIST ? EEXIST : errno, FALSE);
    }
    if ((flags & MOVEFILE_WRITE_THROUGH) != 0) {
        fsync(targetParent.get());
        fsync(sourceParent.get());
    }
    return TRUE;
}

BOOL TovHostDrive::createDirectory(LPCSTR path) {
    TovDrivePath parsed;
    TovHostRoot::Resolved resolved;
    if (DWORD error = locate(path, TovNameCheck::Names, parsed, resolved)) {
        return TovFail(error, FALSE);
    }
    if (resolved.exists) {
        return TovFail(ERROR_ALREADY_EXISTS, FALSE);
    }
    Descriptor parent(root_->openAt(resolved.parent, O_RDONLY | O_DIRECTORY));
    root_->forget();
    if (parent.get() < 0 || mkdirat(parent.get(), resolved.leaf.c_str(), 0777) != 0) {
        return TovFailErrno(errno, FALSE);
    }
    return TRUE;
}

BOOL TovHostDrive::removeDirectory(LPCSTR path) {
    int parentFd = -1;
    std::string leaf;
    struct stat host;
    const BOOL found = existingEntry(path, parentFd, leaf, host);
    Descriptor parent(parentFd);
    if (!found) {
        return FALSE;
    }
    if (!S_ISDIR(host.st_mode)) {
        return TovFail(ERROR_DIRECTORY, FALSE);
    }
    if (isReadOnly(host)) {
        return TovFail(ERROR_ACCESS_DENIED, FALSE);
    }
    root_->forget();
    if (unlinkat(parent.get(), leaf.c_str(), AT_REMOVEDIR) != 0) {
        return TovFailErrno(errno == EEXIST ? ENOTEMPTY : errno, FALSE);
    }
    return TRUE;
}

BOOL TovHostDrive::version(LPCSTR path, TovFileVersion* version) {
    const timespec clock = TovStampClock();  // read before the status it judges
    TovDrivePath parsed;
    TovHostRoot::Resolved resolved;
    if (DWORD error = locate(path, TovNameCheck::Names, parsed, resolved)) {
        return TovFail(error, FALSE);
    }
    if (!resolved.exists) {
        return TovFail(ERROR_FILE_NOT_FOUND, FALSE);
    }
    struct stat host;
    if (DWORD error = status(resolved, host)) {
        return TovFail(error, FALSE);
    }
    *version = TovVersionOfStatus(host, clock);
    return TRUE;
}

DWORD TovHostDrive::fullPathName(LPCSTR path, DWORD size, LPSTR buffer, LPSTR* filePart) {
    if (path == nullptr || *path == '\0') {
        return TovFail(ERROR_INVALID_PARAMETER, DWORD{0});
    }
    TovDrivePath parsed;
    if (DWORD error = parse(path, TovNameCheck::None, parsed)) {
        return TovFail(error, DWORD{0});
    }
    std::string full = TovJoinDrivePath(letter_, parsed.components);
    if (parsed.trailingSeparator && !parsed.components.empty()) {
        full += '\\';
    }
    DWORD length = copyOut(full, size, buffer);
    if (length == full.size() && filePart != nullptr) {
        char* lastSeparator = std::strrchr(buffer, '\\');
        *filePart = lastSeparator[1] == '\0' ? nullptr : lastSeparator + 1;
    }
    return length;
}

BOOL TovHostDrive::setCurrentDirectory(LPCSTR path) {
    if (path == nullptr || *path == '\0') {
        return TovFail(ERROR_INVALID_PARAMETER, FALSE);
    }
    TovDrivePath parsed;
    TovHostRoot::Resolved resolved;
    if (DWORD error = locate(path, TovNameCheck::Names, parsed, resolved)) {
        return TovFail(error, FALSE);
    }
    if (!resolved.exists) {
        return TovFail(ERROR_PATH_NOT_FOUND, FALSE);
    }
    struct stat host;
    if (DWORD error = status(resolved, host)) {
        return TovFail(error == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : error, FALSE);
    }
    if (!S_ISDIR(host.st_mode)) {
        return TovFail(ERROR_DIRECTORY, FALSE);
    }
    std::lock_guard<std::mutex> guard(lock_);
    currentDirectory_ = std::move(parsed.components);
    return TRUE;
}

DWORD TovHostDrive::currentDirectory(DWORD size, LPSTR buffer) {
    std::lock_guard<std::mutex> guard(lock_);
    return copyOut(TovJoinDrivePath(letter_, currentDirectory_), size, buffer);
}
