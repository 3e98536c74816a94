// The settings store over one INI file.
#include "config/ConfigManager_file_io.h"

#include <utility>

#include "config/CriticalSectionLock.h"
#include "config/FileIdError.h"
#include "config/IniEntryCheck.h"
#include "config/IniFileCache.h"
#include "config/IniText.h"
#include "config/tNullKeyIterator.h"
#include "config/tNullSectionIterator.h"
#include "kernel/base/Handle.h"
#include "kernel/fs/File.h"

namespace rx_fwk {
namespace {

// Reads an int the way a standard input stream does: blanks, an optional sign, decimal
// digits, anything after them ignored. False when there is no number or it does not fit.
bool parseLeadingInt(const std::string& text, int& out) {
    std::size_t i = 0;
    while (i < text.size() && isIniSpace(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    const std::size_t digits = i;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > 2147483648LL) {
            return false;
        }
    }
    if (i == digits) {
        return false;
    }
    value = negative ? -value : value;
    if (value > 2147483647LL) {
        return false;
    }
    out = static_cast<int>(value);
    return true;
}

}  // namespace

ConfigManager_file_io::ConfigManager_file_io(std::string path) : path_(std::move(path)) {
    InitializeCriticalSection(&bindLock_);
}

ConfigManager_file_io::~ConfigManager_file_io() {
    DeleteCriticalSection(&bindLock_);
}

IniFile& ConfigManager_file_io::ensureLoaded() {
    if (IniFile* bound = bound_.load(std::memory_order_acquire)) {
        return *bound;
    }
    CriticalSectionLock hold(bindLock_);
    if (!ini_) {
        ini_ = IniFileCache::instance().get(path_);
        bound_.store(ini_.get(), std::memory_order_release);
    }
    return *ini_;
}

IniFile* ConfigManager_file_io::bind(Missing missing) {
    if (IniFile* bound = bound_.load(std::memory_order_acquire)) {
        return bound;
    }
    CriticalSectionLock hold(bindLock_);
    if (ini_) {
        return ini_.get();
    }
    IniFileCache& cache = IniFileCache::instance();
    // A model another store loaded holds the file's values even when the file has been
    // deleted since; an empty file created here would reload it empty and lose them.
    std::shared_ptr<IniFile> model = cache.find(path_);
    if (!model) {
        if (GetFileAttributesA(path_.c_str()) == INVALID_FILE_ATTRIBUTES) {
            if (missing == Missing::ReadAsEmpty) {
                return nullptr;
            }
            // An empty file holds no settings, so creating it in place cannot lose any.
            HANDLE file = CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file != INVALID_HANDLE_VALUE) {
                CloseHandle(file);
            }
        }
        try {
            model = cache.get(path_);
        } catch (const FileIdError&) {
            return nullptr;  // gone again, or could not be created
        }
    }
    ini_ = std::move(model);
    bound_.store(ini_.get(), std::memory_order_release);
    return ini_.get();
}

std::string ConfigManager_file_io::getString(const std::string& section, const std::string& key,
                                             const std::string& def) {
    try {
        IniFile* ini = bind(Missing::ReadAsEmpty);
        std::string value;
        return ini && ini->find(section, key, value) ? value : def;
    } catch (...) {
        return def;
    }
}

int ConfigManager_file_io::getInt(const std::string& section, const std::string& key, int def) {
    try {
        IniFile* ini = bind(Missing::ReadAsEmpty);
        std::string text;
        int value = 0;
        return ini && ini->find(section, key, text) && parseLeadingInt(text, value) ? value : def;
    } catch (...) {
        return def;
    }
}

bool ConfigManager_file_io::setString(const std::string& section, const std::string& key,
                                      const std::string& value) {
    // Refused before a missing file is created for it.
    if (!isStorableIniSection(section) || !isStorableIniKey(key) || !isStorableIniValue(value)) {
        return false;
    }
    try {
        IniFile* ini = bind(Missing::Create);
        if (!ini) {
            return false;
        }
        ini->set(section, key, value);
        return true;
    } catch (...) {
        return false;
    }
}

bool ConfigManager_file_io::setInt(const std::string& section, const std::string& key, int value) {
    return setString(section, key, std::to_string(value));
}

bool ConfigManager_file_io::removeSection(const std::string& section) {
    try {
        IniFile* ini = bind(Missing::ReadAsEmpty);
        if (!ini) {
            return false;
        }
        ini->removeSection(section);
        return true;
    } catch (...) {
        return false;
    }
}

bool ConfigManager_file_io::removeKey(const std::string& section, const std::string& key) {
    try {
        IniFile* ini = bind(Missing::ReadAsEmpty);
        if (!ini) {
            return false;
        }
        ini->removeKey(section, key);
        return true;
    } catch (...) {
        return false;
    }
}

bool ConfigManager_file_io::clear() {
    try {
        IniFile* ini = bind(Missing::Create);
        if (!ini) {
            return false;
        }
        ini->clear();
        return true;
    } catch (...) {
        return false;
    }
}

std::unique_ptr<ConfigSectionIter> ConfigManager_file_io::sectionIterator() {
    try {
        if (IniFile* ini = bind(Missing::ReadAsEmpty)) {
            return ini->sectionIterator();
        }
    } catch (...) {
    }
    return std::make_unique<nZUEmbCfg::tNullSectionIterator>();
}

std::unique_ptr<ConfigKeyIter> ConfigManager_file_io::keyIterator(const std::string& section) {
    try {
        if (IniFile* ini = bind(Missing::ReadAsEmpty)) {
            return ini->keyIterator(section);
        }
    } catch (...) {
    }
    return std::make_unique<nZUEmbCfg::tNullKeyIterator>();
}

}  // namespace rx_fwk
