// Operations of the INI model: refresh by last-write time, changes committed whole.
#include "config/IniFile.h"

#include <utility>
#include <vector>

#include "config/CriticalSectionLock.h"
#include "config/FileIO_KeyIterator.h"
#include "config/FileIO_SectionIterator.h"
#include "config/IniEntryCheck.h"
#include "config/SettingsReadScope.h"

namespace rx_fwk {

IniFile::IniFile(std::string path) : path_(std::move(path)) {
    InitializeCriticalSection(&lock_);
}

IniFile::~IniFile() {
    DeleteCriticalSection(&lock_);
}

void IniFile::refresh() {
    if (!isChanged()) {
        return;
    }
    SectionMap fresh;
    readFile(fresh);  // a failed read leaves the model as it was
    model_ = std::move(fresh);
}

void IniFile::commit(SectionMap model) {
    if (!writeFile(model)) {
        throw FileIOError();
    }
    model_ = std::move(model);
}

std::string IniFile::get(const std::string& section, const std::string& key) {
    std::string value;
    if (!find(section, key, value)) {
        throw EntryNotFoundError();
    }
    return value;
}

bool IniFile::find(const std::string& section, const std::string& key, std::string& value) {
    CriticalSectionLock hold(lock_);
    try {
        if (SettingsReadScope::firstReadOf(this)) {
            refresh();
        }
    } catch (...) {
        // The last good model answers while the file cannot be read.
    }
    const auto s = model_.find(section);
    if (s == model_.end()) {
        return false;
    }
    const auto k = s->second.find(key);
    if (k == s->second.end()) {
        return false;
    }
    value = k->second.text;
    return true;
}

void IniFile::set(const std::string& section, const std::string& key, const std::string& value) {
    if (!isStorableIniSection(section) || !isStorableIniKey(key) || !isStorableIniValue(value)) {
        throw BadEntryError();
    }
    CriticalSectionLock hold(lock_);
    refresh();
    const IniValue wanted = IniValue::fromProgram(value);
    const auto s = model_.find(section);
    if (s != model_.end()) {
        const auto k = s->second.find(key);
        if (k != s->second.end() && k->second == wanted) {
            return;  // unchanged: the file is not rewritten
        }
    }
    SectionMap next = model_;
    next[section][key] = wanted;
    commit(std::move(next));
}

void IniFile::removeKey(const std::string& section, const std::string& key) {
    CriticalSectionLock hold(lock_);
    refresh();
    const auto s = model_.find(section);
    if (s == model_.end() || s->second.find(key) == s->second.end()) {
        throw EntryNotFoundError();
    }
    SectionMap next = model_;
    // A section left empty stays in the model until the next load; it is not written.
    next[section].erase(key);
    commit(std::move(next));
}

void IniFile::removeSection(const std::string& section) {
    CriticalSectionLock hold(lock_);
    refresh();
    if (model_.find(section) == model_.end()) {
        throw EntryNotFoundError();
    }
    SectionMap next = model_;
    next.erase(section);
    commit(std::move(next));
}

void IniFile::clear() {
    CriticalSectionLock hold(lock_);
    commit(SectionMap());
}

std::unique_ptr<ConfigSectionIter> IniFile::sectionIterator() {
    CriticalSectionLock hold(lock_);
    try {
        if (SettingsReadScope::firstReadOf(this)) {
            refresh();
        }
    } catch (...) {
    }
    std::vector<std::string> names;
    names.reserve(model_.size());
    for (const auto& entry : model_) {
        names.push_back(entry.first);
    }
    return std::make_unique<FileIO_SectionIterator>(std::move(names));
}

std::unique_ptr<ConfigKeyIter> IniFile::keyIterator(const std::string& section) {
    CriticalSectionLock hold(lock_);
    try {
        if (SettingsReadScope::firstReadOf(this)) {
            refresh();
        }
    } catch (...) {
    }
    std::vector<FileIO_KeyIterator::Entry> entries;
    const auto s = model_.find(section);
    if (s != model_.end()) {
        entries.reserve(s->second.size());
        for (const auto& [key, value] : s->second) {
            entries.emplace_back(key, value.text);
        }
    }
    return std::make_unique<FileIO_KeyIterator>(std::move(entries));
}

}  // namespace rx_fwk
