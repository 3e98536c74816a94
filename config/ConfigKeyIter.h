// Iteration over the keys and values of one section; owned by the caller who receives it.
#pragma once

#include <string>

namespace rx_fwk {

class ConfigKeyIter {
public:
    virtual ~ConfigKeyIter() = default;
    // Moves one entry on; false, without moving, when already at the end.
    virtual bool next() = 0;
    virtual bool atEnd() = 0;
    // The current entry; check atEnd first.
    virtual std::string key() = 0;
    virtual std::string value() = 0;
};

}  // namespace rx_fwk
