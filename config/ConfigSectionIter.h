// Iteration over the section names of a settings file; owned by the caller who receives it.
#pragma once

#include <string>

namespace rx_fwk {

class ConfigSectionIter {
public:
    virtual ~ConfigSectionIter() = default;
    // Moves one entry on; false, without moving, when already at the end.
    virtual bool next() = 0;
    virtual bool atEnd() = 0;
    // The current name; check atEnd first.
    virtual std::string name() = 0;
};

}  // namespace rx_fwk
