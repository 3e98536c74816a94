// FindFirstFileA on the host-directory drive: the matching names of one directory, sorted
// without regard to case, with "." and ".." first below the root as on the controller.
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "kernel/base/posix/CaseBlind.h"
#include "kernel/base/posix/Win32Error.h"
#include "kernel/fs/posix/HostDrive.h"

namespace {

struct Match {
    std::string name;
    struct stat status;
};

class HostSearch : public TovDriveSearch {
public:
    explicit HostSearch(std::vector<Match> matches) : matches_(std::move(matches)) {}

    BOOL next(WIN32_FIND_DATAA* data) override {
        if (next_ >= matches_.size()) {
            return TovFail(ERROR_NO_MORE_FILES, FALSE);
        }
        const Match& match = matches_[next_++];
        TovFillFindData(match.name, match.status, data);
        return TRUE;
    }

private:
    std::vector<Match> matches_;
    std::size_t next_ = 0;
};

std::vector<std::string> namesIn(int directory) {
    std::vector<std::string> names;
    DIR* listing = fdopendir(directory);
    if (listing == nullptr) {
        close(directory);
        return names;
    }
    while (dirent* entry = readdir(listing)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0 &&
            std::strlen(entry->d_name) < MAX_PATH) {
            names.emplace_back(entry->d_name);
        }
    }
    closedir(listing);
    std::sort(names.begin(), names.end(), TovCaseBlindLess());
    return names;
}

}  // namespace

std::unique_ptr<TovDriveSearch> TovHostDrive::findFirst(LPCSTR pattern, WIN32_FIND_DATAA* data) {
    if (data == nullptr) {
        return TovFail(ERROR_INVALID_PARAMETER, nullptr);
    }
    TovDrivePath parsed;
    if (DWORD error = parse(pattern, TovNameCheck::Pattern, parsed)) {
        return TovFail(error, nullptr);
    }
    if (parsed.components.empty() || parsed.trailingSeparator) {
        return TovFail(ERROR_FILE_NOT_FOUND, nullptr);
    }
    std::string namePattern = parsed.components.back();
    parsed.components.pop_back();
    TovHostRoot::Resolved directory;
    if (DWORD error = root_->resolve(parsed.components, directory)) {
        return TovFail(error, nullptr);
    }
    int listing = root_->openAt(directory.host, O_RDONLY | O_DIRECTORY);
    if (listing < 0) {
        return TovFail(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND
                                                           : TovWin32ErrorFromErrno(errno),
                       nullptr);
    }
    std::vector<std::string> names = namesIn(listing);
    if (!parsed.components.empty()) {
        names.insert(names.begin(), {".", ".."});
    }
    std::vector<Match> matches;
    for (const std::string& name : names) {
        if (!TovMatchNamePattern(namePattern, name)) {
            continue;
        }
        // Each entry through the root, so that a link shows what it leads to inside it.
        std::string host = name == "." || name == ".." ? directory.host
                           : directory.host.empty()    ? name
                                                       : directory.host + "/" + name;
        int entry = root_->openAt(host, O_PATH);
        Match match{name, {}};
        bool found = entry >= 0 && fstat(entry, &match.status) == 0;
        if (entry >= 0) {
            close(entry);
        }
        if (found) {
            matches.push_back(std::move(match));
        }
    }
    if (matches.empty()) {
        return TovFail(ERROR_FILE_NOT_FOUND, nullptr);
    }
    auto search = std::make_unique<HostSearch>(std::move(matches));
    search->next(data);
    return search;
}
