// Last-write time of a file through the kernel's find-first-file service.
#include "config/fileModifiedTime.h"

#include "config/FileTimeError.h"
#include "kernel/fs/File.h"

namespace rx_fwk {

std::uint64_t fileModifiedTime(const std::string& path) {
    WIN32_FIND_DATAA data{};
    HANDLE search = FindFirstFileA(path.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) {
        throw FileTimeError(path);
    }
    FindClose(search);
    return (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
           data.ftLastWriteTime.dwLowDateTime;
}

}  // namespace rx_fwk
