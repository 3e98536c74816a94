// Named settings addressed by section and key, with typed access and caller defaults.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "config/ConfigKeyIter.h"
#include "config/ConfigSectionIter.h"

namespace rx_fwk {

class ConfigManager {
public:
    virtual ~ConfigManager() = default;
    virtual int getInt(const std::string& section, const std::string& key, int def) = 0;
    virtual bool setInt(const std::string& section, const std::string& key, int value) = 0;
    virtual std::string getString(const std::string& section, const std::string& key,
                                  const std::string& def) = 0;
    virtual bool setString(const std::string& section, const std::string& key,
                           const std::string& value) = 0;
    virtual bool removeSection(const std::string& section) = 0;
    virtual bool removeKey(const std::string& section, const std::string& key) = 0;
    virtual bool clear() = 0;
    virtual std::unique_ptr<ConfigSectionIter> sectionIterator() = 0;
    virtual std::unique_ptr<ConfigKeyIter> keyIterator(const std::string& section) = 0;

    // Booleans are stored as "TRUE" and "FALSE"; only "TRUE", in any case, reads as true.
    bool getBool(const std::string& section, const std::string& key, bool def);
    bool setBool(const std::string& section, const std::string& key, bool value);
    // A value equal to its default is removed, so the file keeps only what differs.
    bool setBoolDefault(const std::string& section, const std::string& key, bool value, bool def);
    bool setIntDefault(const std::string& section, const std::string& key, int value, int def);
    bool setStringDefault(const std::string& section, const std::string& key,
                          const std::string& value, const std::string& def);
    bool keyExists(const std::string& section, const std::string& key);
    // Every element is stored followed by the separator, so an empty last element survives.
    std::vector<std::string> getStringList(const std::string& section, const std::string& key,
                                           char separator, const std::vector<std::string>& def);
    bool setStringList(const std::string& section, const std::string& key,
                       const std::vector<std::string>& list, char separator);

    // The process-wide store of the system settings file "C:/ZU-RT.INI"; never destroyed.
    static ConfigManager& instance();
    // A new store over the file, owned by the caller; the file is not touched.
    static std::unique_ptr<ConfigManager> create(const std::string& path);
};

}  // namespace rx_fwk
