// Process-wide lookup of INI models, so that every store naming one file shares one model.
#pragma once

#include <memory>
#include <string>

#include "config/IniFile.h"

namespace rx_fwk {

class IniFileCache {
public:
    virtual ~IniFileCache() = default;
    // The shared model of the file; throws FileIdError while the file does not exist.
    virtual std::shared_ptr<IniFile> get(const std::string& path) = 0;
    // The model already made for the file, also when the file has been deleted since;
    // null when there is none. Creates nothing.
    virtual std::shared_ptr<IniFile> find(const std::string& path) = 0;

    // Created once, even when several threads ask at the same time; lives until the
    // process ends.
    static IniFileCache& instance();
};

}  // namespace rx_fwk
