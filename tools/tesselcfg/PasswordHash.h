// The two words a controller keeps for a password: the host sends only these, never the
// password itself.
#pragma once

#include <cstdint>
#include <string>

namespace tesselcfg {

struct PasswordHash {
    std::uint32_t first = 0;
    std::uint32_t second = 0;
};

// The salted hash of the password's bytes.
PasswordHash hashPassword(const std::string& password);

}  // namespace tesselcfg
