// Convenience operations of the settings store, built only on its virtual slots.
#include "config/ConfigManager.h"

#include "config/ConfigManager_file_io.h"
#include "config/IniText.h"

namespace rx_fwk {

bool ConfigManager::getBool(const std::string& section, const std::string& key, bool def) {
    return sameIniName(getString(section, key, def ? "TRUE" : "FALSE"), "TRUE");
}

bool ConfigManager::setBool(const std::string& section, const std::string& key, bool value) {
    return setString(section, key, value ? "TRUE" : "FALSE");
}

bool ConfigManager::setBoolDefault(const std::string& section, const std::string& key, bool value,
                                   bool def) {
    return value == def ? removeKey(section, key) : setBool(section, key, value);
}

bool ConfigManager::setIntDefault(const std::string& section, const std::string& key, int value,
                                  int def) {
    return value == def ? removeKey(section, key) : setInt(section, key, value);
}

bool ConfigManager::setStringDefault(const std::string& section, const std::string& key,
                                     const std::string& value, const std::string& def) {
    return value == def ? removeKey(section, key) : setString(section, key, value);
}

bool ConfigManager::keyExists(const std::string& section, const std::string& key) {
    const std::unique_ptr<ConfigKeyIter> keys = keyIterator(section);
    for (; !keys->atEnd(); keys->next()) {
        if (sameIniName(keys->key(), key)) {
            return true;
        }
    }
    return false;
}

std::vector<std::string> ConfigManager::getStringList(const std::string& section,
                                                      const std::string& key, char separator,
                                                      const std::vector<std::string>& def) {
    if (!keyExists(section, key)) {
        return def;
    }
    const std::string text = getString(section, key, "");
    std::vector<std::string> list;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == separator) {
            list.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    if (start < text.size()) {
        list.push_back(text.substr(start));
    }
    return list;
}

bool ConfigManager::setStringList(const std::string& section, const std::string& key,
                                  const std::vector<std::string>& list, char separator) {
    std::string text;
    for (const std::string& element : list) {
        text += element;
        text += separator;
    }
    return setString(section, key, text);
}

ConfigManager& ConfigManager::instance() {
    // First called during start-up, before any other thread of the application exists.
    static ConfigManager* const systemSettings = create("C:/ZU-RT.INI").release();
    return *systemSettings;
}

std::unique_ptr<ConfigManager> ConfigManager::create(const std::string& path) {
    return std::make_unique<ConfigManager_file_io>(path);
}

}  // namespace rx_fwk
