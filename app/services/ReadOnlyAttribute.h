// The read-only attribute of a file on a drive.
#pragma once

#include <string>

namespace rx_fwk {

// Sets or clears the read-only bit; false when the attributes cannot be read or written.
bool setReadOnly(const std::string& path, bool on);

}  // namespace rx_fwk
