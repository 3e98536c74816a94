// Identity of a file from its full path.
#include "config/fileUniqueId.h"

#include <vector>

#include "config/FileIdError.h"
#include "kernel/fs/File.h"

namespace rx_fwk {

std::string fileFullPath(const std::string& path) {
    std::vector<char> buffer(511);
    for (;;) {
        const DWORD length = GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()),
                                              buffer.data(), nullptr);
        if (length == 0) {
            return path;
        }
        if (length < buffer.size()) {
            return std::string(buffer.data(), length);
        }
        // The size needed, terminator included; grow anyway should the answer not.
        buffer.resize(length > buffer.size() ? length : buffer.size() * 2);
    }
}

std::string fileUniqueIdOfPath(const std::string& path) {
    // The whole path, not a hash of it: two files never share an identity.
    std::string id = fileFullPath(path);
    for (char& c : id) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return id;
}

std::string fileUniqueId(const std::string& path) {
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        throw FileIdError(path);
    }
    return fileUniqueIdOfPath(path);
}

}  // namespace rx_fwk
