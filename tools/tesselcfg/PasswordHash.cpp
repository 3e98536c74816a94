#include "tools/tesselcfg/PasswordHash.h"

namespace tesselcfg {
namespace {

const char kSalt[] = " &%& ";

std::uint32_t shifted(char byte, std::size_t position) {
    // Bytes are sign-extended, as the controller's compiler treats char: a password with
    // bytes above 0x7F must give the controller's words, not the ones of unsigned bytes.
    const auto extended =
        static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(byte)));
    return extended << (8 * (position % 4));
}

}  // namespace

PasswordHash hashPassword(const std::string& password) {
    const std::string salted = kSalt + password;
    const std::size_t n = salted.size();
    PasswordHash hash{0x5A5A5A5A, 0x5A5A5A5A};
    for (std::size_t i = 0; i < n; ++i) {
        hash.first ^= shifted(salted[i], i);
        hash.second ^= shifted(salted[n - 1 - i], i);
    }
    return hash;
}

}  // namespace tesselcfg
