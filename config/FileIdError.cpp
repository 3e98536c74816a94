// Message of FileIdError, kept in a fixed buffer so that copying the exception cannot fail.
#include "config/FileIdError.h"

#include <cstring>

namespace rx_fwk {

FileIdError::FileIdError(const std::string& path) {
    const std::string text =
        "FileIdError: Unable to open file '" + path + "' to determine its unique ID.";
    const std::size_t n = text.size() < sizeof(message_) - 1 ? text.size() : sizeof(message_) - 1;
    std::memcpy(message_, text.data(), n);
    message_[n] = '\0';
}

}  // namespace rx_fwk
