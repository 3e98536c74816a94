// The drive whose files are those of a host directory (C:).
#pragma once

#include <sys/stat.h>

#include <mutex>

#include "kernel/fs/Drive.h"
#include "kernel/fs/posix/DrivePath.h"
#include "kernel/fs/posix/HostRoot.h"

class TovHostDrive : public TovDrive {
public:
    TovHostDrive(char letter, std::shared_ptr<TovHostRoot> root)
        : letter_(letter), root_(std::move(root)) {}

    const TovHostRoot& root() const { return *root_; }

    std::unique_ptr<TovDriveFile> open(LPCSTR path, DWORD access, DWORD disposition,
                                       DWORD flagsAndAttributes) override;
    std::unique_ptr<TovDriveSearch> findFirst(LPCSTR pattern, WIN32_FIND_DATAA* data) override;
    DWORD attributes(LPCSTR path) override;
    DWORD fullPathName(LPCSTR path, DWORD size, LPSTR buffer, LPSTR* filePart) override;
    BOOL setCurrentDirectory(LPCSTR path) override;
    DWORD currentDirectory(DWORD size, LPSTR buffer) override;
    BOOL setAttributes(LPCSTR path, DWORD attributes) override;
    BOOL remove(LPCSTR path) override;
    BOOL move(LPCSTR from, LPCSTR to, DWORD flags) override;
    BOOL createDirectory(LPCSTR path) override;
    BOOL removeDirectory(LPCSTR path) override;
    BOOL space(ULONGLONG* total, ULONGLONG* free, ULONGLONG* available) override;
    BOOL version(LPCSTR path, TovFileVersion* version) override;

private:
    // 0 or the Win32 error.
    DWORD parse(LPCSTR path, TovNameCheck check, TovDrivePath& parsed) const;
    // Parses and resolves; 0 or the Win32 error.
    DWORD locate(LPCSTR path, TovNameCheck check, TovDrivePath& parsed,
                 TovHostRoot::Resolved& resolved) const;
    // An existing entry other than the root, for removal: its parent directory opened
    // (descriptor handed to the caller), its leaf name and its host status. FALSE with the
    // last error set otherwise.
    BOOL existingEntry(LPCSTR path, int& parent, std::string& leaf, struct stat& host) const;
    // Opens a resolved entry with host open flags; O_CREAT makes a missing one. 0 or the
    // Win32 error.
    DWORD openEntry(const std::string& host, int flags, mode_t mode, int& descriptor) const;
    // Host status of a resolved, existing path; 0 or the Win32 error.
    DWORD status(const TovHostRoot::Resolved& resolved, struct stat& status) const {
        return root_->status(resolved, status);
    }

    char letter_;
    std::shared_ptr<TovHostRoot> root_;
    mutable std::mutex lock_;
    TovPathComponents currentDirectory_;
};

// Win32 attributes of a host file: the read-only bit is the owner's write permission.
DWORD TovHostAttributes(const struct stat& status);

// Fills a find record from a host file's status.
void TovFillFindData(const std::string& name, const struct stat& status, WIN32_FIND_DATAA* data);

// An open host file of the drive; takes over the descriptor.
std::unique_ptr<TovDriveFile> TovMakeHostFile(int descriptor, DWORD access);
