#include "tools/tesselcfg/PasswordHash.h"

#include <gtest/gtest.h>

#include "config/RootPassword.h"

namespace tesselcfg {
namespace {

// The tool hashes on its own (it does not link the image), so it must give the words the
// controller computes, bytes above 0x7F included.
TEST(PasswordHashTest, GivesTheControllersWords) {
    const std::string rows[] = {"",
                                "a",
                                "secret",
                                "längeres Passwort \xff\x80",
                                "abcd",
                                "abcde",
                                std::string(300, 'x'),
                                std::string("a\0b", 3)};
    for (const std::string& password : rows) {
        SCOPED_TRACE(password);
        const auto ours = hashPassword(password);
        const auto theirs = rx_fwk::hashPassword(password);
        EXPECT_EQ(ours.first, theirs.first);
        EXPECT_EQ(ours.second, theirs.second);
    }
}

}  // namespace
}  // namespace tesselcfg
