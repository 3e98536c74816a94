// INI model cache keyed by file identity; a model once opened lives until the process ends.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "config/IniFileCache.h"
#include "config/tIniFile.h"
#include "kernel/threads/Sync.h"

namespace nZUEmbCfg {

class tFileIniCache : public rx_fwk::IniFileCache {
public:
    tFileIniCache();
    ~tFileIniCache() override;
    tFileIniCache(const tFileIniCache&) = delete;
    tFileIniCache& operator=(const tFileIniCache&) = delete;

    std::shared_ptr<rx_fwk::IniFile> get(const std::string& path) override;
    std::shared_ptr<rx_fwk::IniFile> find(const std::string& path) override;

private:
    CRITICAL_SECTION lock_;
    // By fileUniqueId: the upper-cased full path.
    std::map<std::string, std::shared_ptr<tIniFile>> models_;
};

}  // namespace nZUEmbCfg
