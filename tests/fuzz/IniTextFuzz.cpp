// Any bytes as an INI file: the model's reader and writer and the kernel's profile scanner
// stay inside the input, and what the writer produces reads back to the same texts.
#include <cstdint>
#include <string>

#include "config/IniReader.h"
#include "config/IniWriter.h"
#include "kernel/profile/ProfileScanner.h"

namespace {

bool sameTexts(const rx_fwk::SectionMap& a, const rx_fwk::SectionMap& b) {
    auto withKeys = [](const rx_fwk::SectionMap& m) {
        std::size_t n = 0;
        for (const auto& entry : m) {
            n += entry.second.empty() ? 0 : 1;
        }
        return n;
    };
    if (withKeys(a) != withKeys(b)) {
        return false;
    }
    for (const auto& [section, keys] : a) {
        const auto other = b.find(section);
        if (keys.empty()) {
            continue;
        }
        if (other == b.end() || other->first != section || other->second.size() != keys.size()) {
            return false;
        }
        for (const auto& [key, value] : keys) {
            const auto match = other->second.find(key);
            if (match == other->second.end() || match->first != key ||
                match->second.text != value.text) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    rx_fwk::SectionMap model;
    rx_fwk::parseIniText(bytes.data(), bytes.size(), model);
    const std::string written = rx_fwk::renderIniText(model);
    rx_fwk::SectionMap again;
    rx_fwk::parseIniText(written.data(), written.size(), again);
    if (!sameTexts(model, again)) {
        __builtin_trap();
    }

    // The first line names what to look for, the rest is the profile.
    const std::size_t split = bytes.find('\n');
    const std::string query = bytes.substr(0, split == std::string::npos ? 0 : split);
    const std::string profile = split == std::string::npos ? bytes : bytes.substr(split + 1);
    const std::size_t slash = query.find('/');
    const std::string section = query.substr(0, slash);
    const std::string key = slash == std::string::npos ? std::string() : query.substr(slash + 1);
    std::string out;
    for (auto q : {kprofile::ProfileQuery::Value, kprofile::ProfileQuery::KeyNames,
                   kprofile::ProfileQuery::SectionNames, kprofile::ProfileQuery::SectionLines}) {
        kprofile::MemoryProfileText text(profile.data(), profile.size());
        kprofile::scanProfile(text, q, section.c_str(), key.c_str(), out);
        if (out.size() > profile.size() + 1) {
            __builtin_trap();
        }
    }
    return 0;
}
