// The root password that guards the changing commands, kept in the system settings as a hash.
#pragma once

#include <cstdint>
#include <string>

namespace rx_fwk {

// A password as typed (isHash false) or in its stored form (isHash true).
struct PasswordValue {
    bool isHash = false;
    std::string text;
};

struct PasswordHash {
    std::uint32_t first;
    std::uint32_t second;
};

// The two words of a plain password.
PasswordHash hashPassword(const std::string& plain);
// "passwd%%" and both words as 8 upper-case hex digits each.
std::string storedPasswordForm(const PasswordHash& hash);
// Both values brought to their stored form and compared byte for byte.
bool samePassword(const PasswordValue& a, const PasswordValue& b);

// All on section "Security", key "RootPassword" of the system settings.
// True when no password is set or the plain password matches; a value that is not in the
// stored form is removed and counts as no password.
bool checkRootPassword(const char* plain);
// Stores the hash only while no password is set; false when one is set or the store failed.
bool setRootPasswordHash(std::uint32_t first, std::uint32_t second);
// Removes the password when the words match it (or none is set); false on a mismatch or
// when the removal could not be written.
bool clearRootPassword(std::uint32_t first, std::uint32_t second);
// True when no password is set or the words match it; changes nothing.
bool verifyRootPasswordHash(std::uint32_t first, std::uint32_t second);

}  // namespace rx_fwk
