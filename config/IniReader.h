// Reading rules of the INI syntax: file bytes to a model.
#pragma once

#include <cstddef>

#include "config/IniMaps.h"

namespace rx_fwk {

// Adds what the text holds to `model`. Comments, blank lines and lines outside a section are
// dropped; a repeated key takes the last value and keeps its first spelling. A UTF-8
// byte-order mark at the start is skipped.
void parseIniText(const char* data, std::size_t size, SectionMap& model);

}  // namespace rx_fwk
