// The reads of one request see each settings file in one state. While a scope lives on a
// thread, a model is checked for changes by another process at its first read only, so a
// request never answers with values from two versions of a file (a comment from the old
// file beside its format from the new one), and pays one check per file. Changes made
// through the store are seen at once, as they go through the same model; changes from
// outside show in the next scope. Writes always check.
#pragma once

namespace rx_fwk {

class SettingsReadScope {
public:
    SettingsReadScope();
    ~SettingsReadScope();
    SettingsReadScope(const SettingsReadScope&) = delete;
    SettingsReadScope& operator=(const SettingsReadScope&) = delete;

    // Whether a read of `model` on this thread checks the file: always outside a scope,
    // only the first time inside one.
    static bool firstReadOf(const void* model);
};

}  // namespace rx_fwk
