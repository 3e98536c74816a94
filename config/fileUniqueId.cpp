// Identity of a file from its full path.
#include "config/fileUniqueId.h"

#include <vector>

#include "config/FileIdError.h"
#include "kernel/fs/File.h"

namespace rx_fwk {
namespace {

std::string fullPath(const std::string& path) {
    std::vector<char> buffer(511);
    for (;;) {
        const DWORD length = GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()),
                                              buffer.data(), nullptr);
        if (length == 0) {
            return path;  // nothing better to hash
        }
        if (length < buffer.size()) {
            return std::string(buffer.data(), length);
        }
        // The size needed, terminator included; grow anyway should the answer not.
        buffer.resize(length > buffer.size() ? length : buffer.size() * 2);
    }
}

}  // namespace

std::uint32_t fileUniqueId(const std::string& path) {
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        throw FileIdError(path);
    }
    std::uint32_t id = 0x5A5A5A5A;
    const std::string full = fullPath(path);
    for (std::size_t i = 0; i < full.size(); ++i) {
        char c = full[i];
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
        // Bytes are sign-extended, as the controller's compiler treats char.
        const auto extended =
            static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(c)));
        id ^= extended << (8 * (i % 4));
    }
    return id;
}

}  // namespace rx_fwk
