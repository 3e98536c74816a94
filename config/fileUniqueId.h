// Identity of a file, equal for every spelling of its path.
#pragma once

#include <cstdint>
#include <string>

namespace rx_fwk {

// Hash of the upper-cased full path; throws FileIdError when the file does not exist.
// Different files may collide; nothing guards against that.
std::uint32_t fileUniqueId(const std::string& path);

}  // namespace rx_fwk
