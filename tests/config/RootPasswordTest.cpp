// Root password: hash values worked out by hand, and the set/check/clear/verify rules.
#include "config/RootPassword.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "config/ConfigManager.h"
#include "tests/support/TempDisk.h"

namespace {

using namespace rx_fwk;

TEST(RootPasswordHashTest, MatchesHandWorkedValues) {
    // Salt " &%& " plus the password, folded forwards into the first word and backwards
    // into the second; bytes above 127 are sign-extended.
    const struct {
        const char* plain;
        const char* stored;
    } rows[] = {
        {"", "passwd%%7C7F7C5A7C7F7C5A"},
        {"a", "passwd%%7C7F1D5A7F7C5A1D"},
        {"\xE9", "passwd%%8380955A8083A595"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.stored);
        EXPECT_EQ(storedPasswordForm(hashPassword(row.plain)), row.stored);
        EXPECT_TRUE(samePassword({false, row.plain}, {true, row.stored}));
    }
    EXPECT_FALSE(samePassword({false, ""}, {true, "passwd%%7c7f7c5a7c7f7c5a"}));
    EXPECT_FALSE(samePassword({false, "a"}, {false, "A"}));
}

class RootPasswordTest : public ::testing::Test {
protected:
    RootPasswordTest() { ConfigManager::instance().clear(); }
    std::string stored() {
        return ConfigManager::instance().getString("Security", "RootPassword", "<none>");
    }
    void store(const std::string& value) {
        ConfigManager::instance().setString("Security", "RootPassword", value);
    }

    lbtest::TempDisk disk;
    const PasswordHash secret = hashPassword("secret");
};

TEST_F(RootPasswordTest, SetCheckClearVerify) {
    EXPECT_TRUE(checkRootPassword("anything"));
    EXPECT_TRUE(verifyRootPasswordHash(1, 2));

    ASSERT_TRUE(setRootPasswordHash(secret.first, secret.second));
    EXPECT_EQ(stored(), storedPasswordForm(secret));
    EXPECT_FALSE(checkRootPassword(""));
    EXPECT_FALSE(checkRootPassword("Secret"));
    EXPECT_TRUE(checkRootPassword("secret"));
    EXPECT_TRUE(verifyRootPasswordHash(secret.first, secret.second));
    EXPECT_FALSE(verifyRootPasswordHash(secret.second, secret.first));

    EXPECT_FALSE(setRootPasswordHash(1, 2));  // one is set already
    EXPECT_FALSE(clearRootPassword(1, 2));
    EXPECT_EQ(stored(), storedPasswordForm(secret));

    EXPECT_TRUE(clearRootPassword(secret.first, secret.second));
    EXPECT_EQ(stored(), "<none>");
    EXPECT_TRUE(clearRootPassword(1, 2));  // nothing to clear
    EXPECT_TRUE(setRootPasswordHash(1, 2));
    EXPECT_EQ(stored(), "passwd%%0000000100000002");
}

TEST_F(RootPasswordTest, MalformedValueCountsAsNoPassword) {
    store("secret");
    EXPECT_FALSE(verifyRootPasswordHash(1, 2));  // verify removes nothing
    EXPECT_EQ(stored(), "secret");
    EXPECT_TRUE(checkRootPassword("whatever"));
    EXPECT_EQ(stored(), "<none>");

    // Lower-case digits are well formed enough to keep, but match nothing.
    store("passwd%%7c7f7c5a7c7f7c5a");
    EXPECT_FALSE(checkRootPassword(""));
    EXPECT_FALSE(setRootPasswordHash(1, 2));
}

TEST_F(RootPasswordTest, StoreFailuresAreNotReportedAsSuccess) {
    // The settings file exists but cannot be written.
    ASSERT_TRUE(ConfigManager::instance().setString("Other", "k", "v"));
    ASSERT_TRUE(ConfigManager::instance().setString("Security", "RootPassword",
                                                    storedPasswordForm(secret)));
    std::filesystem::permissions(disk.hostPath("ZU-RT.INI"), std::filesystem::perms::owner_read);
    EXPECT_FALSE(clearRootPassword(secret.first, secret.second));
    EXPECT_FALSE(checkRootPassword(""));

    std::filesystem::permissions(disk.hostPath("ZU-RT.INI"), std::filesystem::perms::owner_all);
    ASSERT_TRUE(clearRootPassword(secret.first, secret.second));
    std::filesystem::permissions(disk.hostPath("ZU-RT.INI"), std::filesystem::perms::owner_read);
    EXPECT_FALSE(setRootPasswordHash(secret.first, secret.second));
    EXPECT_TRUE(checkRootPassword(""));
}

}  // namespace
