// Message of FileTimeError, kept in a fixed buffer so that copying the exception cannot fail.
#include "config/FileTimeError.h"

#include <cstring>

namespace rx_fwk {

FileTimeError::FileTimeError(const std::string& path) {
    const std::string text =
        "FileTimeError: Unable to determine modified time for file '" + path + "'.";
    const std::size_t n = text.size() < sizeof(message_) - 1 ? text.size() : sizeof(message_) - 1;
    std::memcpy(message_, text.data(), n);
    message_[n] = '\0';
}

}  // namespace rx_fwk
