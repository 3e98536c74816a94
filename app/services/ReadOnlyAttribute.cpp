#include "app/services/ReadOnlyAttribute.h"

#include "kernel/fs/File.h"

namespace rx_fwk {

bool setReadOnly(const std::string& path, bool on) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    attributes =
        on ? (attributes | FILE_ATTRIBUTE_READONLY) : (attributes & ~FILE_ATTRIBUTE_READONLY);
    return SetFileAttributesA(path.c_str(), attributes) != FALSE;
}

}  // namespace rx_fwk
