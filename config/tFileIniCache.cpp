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
    std::shared_ptr<tIniFile>& model = models_[rx_fwk::fileUniqueId(path)];
    if (!model) {
        // The full path: a relative one would follow the current directory away from the
        // file the model is keyed by. Loading waits for the first refresh.
        model = std::make_shared<tIniFile>(rx_fwk::fileFullPath(path));
    }
    return model;
}

std::shared_ptr<rx_fwk::IniFile> tFileIniCache::find(const std::string& path) {
    rx_fwk::CriticalSectionLock hold(lock_);
    const auto found = models_.find(rx_fwk::fileUniqueIdOfPath(path));
    return found == models_.end() ? nullptr : found->second;
}

}  // namespace nZUEmbCfg
