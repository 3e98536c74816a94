// A host directory as the root of a drive: everything is opened inside it, and nothing
// opened through it leads out of it.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>

#include "kernel/base/Win32Types.h"
#include "kernel/fs/posix/DrivePath.h"

class TovHostRoot {
public:
    // Creates the directory when it is missing. Null with the last error on failure.
    static std::shared_ptr<TovHostRoot> open(const std::string& directory);
    ~TovHostRoot();
    TovHostRoot(const TovHostRoot&) = delete;
    TovHostRoot& operator=(const TovHostRoot&) = delete;

    // The root's absolute host path.
    const std::string& path() const { return path_; }

    // Opens a host path relative to the root ("" is the root itself). Symbolic links are
    // resolved as if the root were the host's root directory (openat2 RESOLVE_IN_ROOT), or,
    // where the host lacks openat2, not followed at all. -1 with errno on failure.
    int openAt(const std::string& relative, int flags, mode_t mode = 0) const;

    // The host spelling of a path of the drive: every component matched without regard to
    // case against the names on disk; a missing last component keeps its spelling.
    struct Resolved {
        std::string host;    // relative to the root; "" for the root
        std::string parent;  // host path of the directory that holds it
        std::string leaf;    // host name of the last component; "" for the root
        bool exists = false;
    };
    // 0 or the Win32 error (ERROR_PATH_NOT_FOUND when a directory on the way is missing).
    DWORD resolve(const TovPathComponents& components, Resolved& resolved) const;

private:
    TovHostRoot(int descriptor, std::string path)
        : descriptor_(descriptor), path_(std::move(path)) {}

    int openWithoutLinks(const std::string& relative, int flags, mode_t mode) const;

    int descriptor_;
    std::string path_;
};

// Tests take the walk that does not follow links, as on a host without openat2.
void TovHostRootUseOpenat2(bool use);
