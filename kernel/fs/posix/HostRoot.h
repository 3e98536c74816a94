// A host directory as the root of a drive: everything is opened inside it, and nothing
// opened through it leads out of it.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

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
        // The host status of an existing entry (links followed inside the root), when the
        // resolution had it at hand.
        bool statusKnown = false;
        struct stat status {};
    };
    // 0 or the Win32 error (ERROR_PATH_NOT_FOUND when a directory on the way is missing).
    //
    // Answers are remembered and checked with one host status call: a found entry by its
    // identity at its host path, a missing one by the time stamps of the directory that
    // lacked it. A remembered case-blind match stays while its host entry exists.
    DWORD resolve(const TovPathComponents& components, Resolved& resolved) const;
    // The host status of an existing resolved entry; 0 or the Win32 error.
    DWORD status(const Resolved& resolved, struct stat& status) const;
    // Drops the remembered answers; the drive calls it after changing names.
    void forget() const;

private:
    // A remembered answer of resolve; never changed once remembered.
    struct Memory {
        Resolved resolved;
        DWORD error = 0;
        // Found: the entry's status. Not found: the status of the directory that lacked the
        // name, at host path `directory`.
        std::string directory;
        struct stat stamp {};
    };

    TovHostRoot(int descriptor, int listing, std::string path)
        : descriptor_(descriptor), listing_(listing), path_(std::move(path)) {}

    int openWithoutLinks(const std::string& relative, int flags, mode_t mode) const;
    DWORD walk(const TovPathComponents& components, Resolved& resolved, Memory& memory,
               bool& memorable) const;
    bool recall(const std::string& key, Resolved& resolved, DWORD& error) const;
    void remember(const std::string& key, Memory memory) const;
    // Finds `name` in an open directory (the exact spelling first, then without regard to
    // case) with the entry's own status (links not followed), and the directory's status
    // taken before a listing when it lacks the exact name.
    bool findEntry(int directory, bool isRoot, const std::string& name, std::string& found,
                   struct stat& entry, struct stat& directoryStatus, bool& listed) const;

    int descriptor_;  // O_PATH
    int listing_;     // the root again, for reading its names (under listingLock_)
    std::string path_;
    mutable std::mutex listingLock_;
    mutable std::mutex memoryLock_;
    mutable std::unordered_map<std::string, std::shared_ptr<const Memory>> memories_;
};

// Tests take the walk that does not follow links, as on a host without openat2.
void TovHostRootUseOpenat2(bool use);
