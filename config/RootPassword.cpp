// Root password: stored form, hash and the checks the protected commands make.
#include "config/RootPassword.h"

#include <cstdio>

#include "config/ConfigManager.h"

namespace rx_fwk {
namespace {

const char kSection[] = "Security";
const char kKey[] = "RootPassword";
const char kPrefix[] = "passwd%%";
const char kSalt[] = " &%& ";

std::uint32_t shifted(char byte, std::size_t position) {
    // Sign-extended, as the controller's compiler treats char.
    const auto extended =
        static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(byte)));
    return extended << (8 * (position % 4));
}

std::string storedValue() {
    return ConfigManager::instance().getString(kSection, kKey, "");
}

std::string storedForm(const PasswordValue& value) {
    return value.isHash ? value.text : storedPasswordForm(hashPassword(value.text));
}

}  // namespace

PasswordHash hashPassword(const std::string& plain) {
    const std::string salted = kSalt + plain;
    const std::size_t n = salted.size();
    PasswordHash hash{0x5A5A5A5A, 0x5A5A5A5A};
    for (std::size_t i = 0; i < n; ++i) {
        hash.first ^= shifted(salted[i], i);
        hash.second ^= shifted(salted[n - 1 - i], i);
    }
    return hash;
}

std::string storedPasswordForm(const PasswordHash& hash) {
    char text[sizeof(kPrefix) + 16];
    std::snprintf(text, sizeof(text), "%s%08X%08X", kPrefix, static_cast<unsigned>(hash.first),
                  static_cast<unsigned>(hash.second));
    return text;
}

bool samePassword(const PasswordValue& a, const PasswordValue& b) {
    return storedForm(a) == storedForm(b);
}

bool checkRootPassword(const char* plain) {
    const std::string stored = storedValue();
    if (stored.empty()) {
        return true;
    }
    if (stored.compare(0, sizeof(kPrefix) - 1, kPrefix) != 0) {
        ConfigManager::instance().removeKey(kSection, kKey);
        return true;
    }
    return samePassword({true, stored}, {false, plain ? plain : ""});
}

bool setRootPasswordHash(std::uint32_t first, std::uint32_t second) {
    if (!checkRootPassword("")) {
        return false;
    }
    // The host is told the controller is protected only if the hash reached the file.
    return ConfigManager::instance().setString(kSection, kKey, storedPasswordForm({first, second}));
}

bool clearRootPassword(std::uint32_t first, std::uint32_t second) {
    const std::string stored = storedValue();
    if (stored.empty()) {
        ConfigManager::instance().removeKey(kSection, kKey);  // nothing to protect either way
        return true;
    }
    if (!samePassword({true, stored}, {true, storedPasswordForm({first, second})})) {
        return false;
    }
    // A removal that did not reach the file leaves the controller protected.
    return ConfigManager::instance().removeKey(kSection, kKey);
}

bool verifyRootPasswordHash(std::uint32_t first, std::uint32_t second) {
    const std::string stored = storedValue();
    return stored.empty() ||
           samePassword({true, stored}, {true, storedPasswordForm({first, second})});
}

}  // namespace rx_fwk
