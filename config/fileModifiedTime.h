// Last-write time of a file, as the model uses it to notice edits made by others.
#pragma once

#include <cstdint>
#include <string>

namespace rx_fwk {

// 100 ns units since 1601; throws FileTimeError when the file cannot be found.
std::uint64_t fileModifiedTime(const std::string& path);

}  // namespace rx_fwk
