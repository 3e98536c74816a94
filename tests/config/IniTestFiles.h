// Helpers for tests that edit settings files behind the model's back.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>

#include "tests/support/TempDisk.h"

namespace lbtest {

// Writes the file from the host and moves its last-write time on, so that even an edit
// within the file system's clock tick shows as a change.
inline void editBehindModel(const TempDisk& disk, const std::string& relative,
                            const std::string& bytes) {
    const std::filesystem::path path(disk.hostPath(relative));
    const bool existed = std::filesystem::exists(path);
    const auto before = existed ? std::filesystem::last_write_time(path)
                                : std::filesystem::file_time_type::clock::now();
    disk.writeHostFile(relative, bytes);
    std::filesystem::last_write_time(path, before + std::chrono::seconds(2));
}

}  // namespace lbtest
