// The ordered, case-insensitive maps that hold an INI model: sections of keys of values.
#pragma once

#include <map>
#include <string>

#include "config/IniText.h"
#include "config/IniValue.h"

namespace rx_fwk {

// Names equal under folding are one entry; the map keeps the spelling first inserted.
struct IniNameLess {
    bool operator()(const std::string& a, const std::string& b) const {
        return compareIniNames(a, b) < 0;
    }
};

using KeyMap = std::map<std::string, IniValue, IniNameLess>;
using SectionMap = std::map<std::string, KeyMap, IniNameLess>;

}  // namespace rx_fwk
