// The process-wide INI model cache.
#include "config/IniFileCache.h"

#include "config/tFileIniCache.h"

namespace rx_fwk {

IniFileCache& IniFileCache::instance() {
    // Never destroyed: settings may still be read while other statics are torn down.
    static IniFileCache* const cache = new nZUEmbCfg::tFileIniCache();
    return *cache;
}

}  // namespace rx_fwk
