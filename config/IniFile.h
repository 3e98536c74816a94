// In-memory model of one INI file: loaded whole, kept sorted, written back whole on change.
#pragma once

#include <memory>
#include <string>

#include "config/ConfigKeyIter.h"
#include "config/ConfigSectionIter.h"
#include "config/IniMaps.h"
#include "kernel/threads/Sync.h"

namespace rx_fwk {

class IniFile {
public:
    // The file could not be opened, read or written.
    class FileIOError {};
    // The section or key is absent.
    class EntryNotFoundError {};
    // The section, key or value would not read back as given (IniEntryCheck.h).
    class BadEntryError {};

    explicit IniFile(std::string path);
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    // The file on disk differs from the one last read or written.
    virtual bool isChanged() = 0;
    // Parses the whole file into `model`; throws FileIOError.
    virtual void readFile(SectionMap& model) = 0;
    // Writes `model` as the whole file; false when it could not be written.
    virtual bool writeFile(const SectionMap& model) = 0;
    virtual ~IniFile();

    // Every operation holds the model's lock for its whole duration, file access included.
    // Reads work on the last good model when the file cannot be read; changes reach the
    // model only once the whole file was written.
    std::string get(const std::string& section, const std::string& key);
    // As get, but an absent entry answers false instead of throwing (settings that keep
    // their defaults are absent, and they are read with every request).
    bool find(const std::string& section, const std::string& key, std::string& value);
    // Throws BadEntryError, and writes nothing, for what would not read back as given.
    void set(const std::string& section, const std::string& key, const std::string& value);
    void removeKey(const std::string& section, const std::string& key);
    void removeSection(const std::string& section);
    void clear();
    std::unique_ptr<ConfigSectionIter> sectionIterator();
    std::unique_ptr<ConfigKeyIter> keyIterator(const std::string& section);

    const std::string& path() const { return path_; }

private:
    void refresh();
    void commit(SectionMap model);

    SectionMap model_;
    const std::string path_;
    CRITICAL_SECTION lock_;
};

}  // namespace rx_fwk
