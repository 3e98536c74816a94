// Writing rules of the INI syntax: a model to the bytes of a whole file.
#pragma once

#include <string>

#include "config/IniMaps.h"

namespace rx_fwk {

// Sections and keys in map order, CR LF line ends, an empty line after each section;
// sections without keys are left out. Nothing is escaped.
std::string renderIniText(const SectionMap& model);

}  // namespace rx_fwk
