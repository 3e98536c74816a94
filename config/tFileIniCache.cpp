// INI model cache keyed by file identity.
#include "config/tFileIniCache.h"

#include "config/CriticalSectionLock.h"
#include "config/fileUniqueId.h"

namespace nZUEmbCfg {

tFileIniCache::tFileIniCache() {
    InitializeCriticalSection(&lock_);
}

tFileIniCache::~tFileIniCache() {
    DeleteCriticalSection(&lock_);
}

std::shared_ptr<rx_fwk::IniFile> tFileIniCache::get(const std::string& path) {
    rx_fwk::CriticalSectionLock hold(lock_);
    const std::uint32_t id = rx_fwk::fileUniqueId(path);
    std::shared_ptr<tIniFile>& model = models_[id];
    if (!model) {
        // The path as given, not normalised; loading waits for the first refresh.
        model = std::make_shared<tIniFile>(path);
    }
    return model;
}

}  // namespace nZUEmbCfg
