// The settings store over one INI file, through the file's shared model.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "config/ConfigManager.h"
#include "config/IniFile.h"
#include "kernel/threads/Sync.h"

namespace rx_fwk {

// A file that does not exist reads as empty: getters answer their defaults, removals
// answer false and the iterators are empty. The first setter (or clear) creates the file.
// A file deleted behind a model that was loaded keeps the model's values: every store on
// the file, bound before or after, reads them, and the next change writes them all again.
// Any thread may use a store; binding is guarded.
class ConfigManager_file_io : public ConfigManager {
public:
    explicit ConfigManager_file_io(std::string path);
    ~ConfigManager_file_io() override;
    ConfigManager_file_io(const ConfigManager_file_io&) = delete;
    ConfigManager_file_io& operator=(const ConfigManager_file_io&) = delete;

    int getInt(const std::string& section, const std::string& key, int def) override;
    bool setInt(const std::string& section, const std::string& key, int value) override;
    std::string getString(const std::string& section, const std::string& key,
                          const std::string& def) override;
    bool setString(const std::string& section, const std::string& key,
                   const std::string& value) override;
    bool removeSection(const std::string& section) override;
    bool removeKey(const std::string& section, const std::string& key) override;
    bool clear() override;
    std::unique_ptr<ConfigSectionIter> sectionIterator() override;
    std::unique_ptr<ConfigKeyIter> keyIterator(const std::string& section) override;

    // Binds to the file's shared model; throws FileIdError while the file does not exist,
    // for callers that must tell a missing file from an empty one. Once bound, stays bound.
    IniFile& ensureLoaded();

    const std::string& path() const { return path_; }

private:
    enum class Missing { ReadAsEmpty, Create };
    // The bound model, or null when the file is missing and may stay so.
    IniFile* bind(Missing missing);

    std::shared_ptr<IniFile> ini_;  // set once, under bindLock_
    const std::string path_;
    std::atomic<IniFile*> bound_{nullptr};  // ini_ once set: the unlocked fast path
    CRITICAL_SECTION bindLock_;
};

}  // namespace rx_fwk
