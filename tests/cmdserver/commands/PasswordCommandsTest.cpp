// Lock and Unlock: the order of their checks, the two copies of the password words, and a
// store that does not reach the file.
#include <gtest/gtest.h>

#include <cstring>

#include "config/RootPassword.h"
#include "kernel/fs/File.h"
#include "tests/cmdserver/commands/EditRequest.h"
#include "tests/cmdserver/commands/HandlerTest.h"

namespace rx_fwk {
namespace {

const PasswordHash kRight = hashPassword("secret");
const PasswordHash kWrong = hashPassword("guess");
const PasswordHash kRightButOneBit = {kRight.first, kRight.second ^ 1};

constexpr const char* kSettingsFile = "C:\\zu-rt.ini";

class PasswordCommandsTest : public HandlerTest {
protected:
    void TearDown() override {
        SetFileAttributesA(kSettingsFile, FILE_ATTRIBUTE_NORMAL);
        HandlerTest::TearDown();
    }

    struct Case {
        const char* what;
        bool lockedBefore;
        PasswordHash first, second;  // the two copies
        bool storeFails;
        std::uint8_t command;
        std::uint32_t status;  // for a NAK
        bool lockedAfter;
    };

    // Sends the command for each case on a fresh settings file; the reply changes `command`
    // (and `status` of a NAK) only.
    void run(std::uint8_t code, const Case& c) {
        SCOPED_TRACE(c.what);
        SetFileAttributesA(kSettingsFile, FILE_ATTRIBUTE_NORMAL);
        ConfigManager::instance().clear();
        if (c.lockedBefore) {
            ASSERT_TRUE(setRootPasswordHash(kRight.first, kRight.second));
        }
        const std::string before = storedPassword();
        if (c.storeFails) {
            ASSERT_TRUE(SetFileAttributesA(kSettingsFile, FILE_ATTRIBUTE_READONLY));
        }
        auto bytes = request(code);
        putPasswordWords(bytes, c.first, c.second);
        auto expected = bytes;
        expected[2] = c.command;
        if (c.command == NAK) {
            const std::uint8_t status[4] = {0, 0, 0, static_cast<std::uint8_t>(c.status)};
            std::memcpy(&expected[174], status, 4);
        }
        ASSERT_TRUE(ask(bytes));
        EXPECT_EQ(bytes, expected);
        EXPECT_EQ(!checkRootPassword(""), c.lockedAfter);
        if (c.lockedAfter == c.lockedBefore) {
            EXPECT_EQ(storedPassword(), before);
        } else if (c.lockedAfter) {
            EXPECT_EQ(storedPassword(), storedPasswordForm(c.first));
        }
    }

    static std::string storedPassword() {
        return ConfigManager::instance().getString("Security", "RootPassword", "");
    }
};

TEST_F(PasswordCommandsTest, LockChecksProtectionThenCopiesThenTheStore) {
    const Case cases[] = {
        {"unlocked, equal copies", false, kRight, kRight, false, ACK, 0, true},
        {"locked: refused before the copies are looked at", true, kWrong, kRightButOneBit, false,
         NAK, StatusAccessDenied, true},
        {"copies differ", false, kRight, kRightButOneBit, false, NAK, StatusMismatch, false},
        {"copies differ, checked before the store", false, kRight, kWrong, true, NAK,
         StatusMismatch, false},
        {"the store fails", false, kRight, kRight, true, NAK, StatusFailed, false},
    };
    for (const Case& c : cases) {
        run(CmdLock, c);
    }
}

TEST_F(PasswordCommandsTest, UnlockNeedsTheRightWordsOnlyWhenLocked) {
    const Case cases[] = {
        {"unlocked: the words are not looked at", false, kWrong, kRightButOneBit, false, ACK, 0,
         false},
        {"copies differ, even with the right first copy", true, kRight, kRightButOneBit, false, NAK,
         StatusMismatch, true},
        {"wrong password", true, kWrong, kWrong, false, NAK, StatusAccessDenied, true},
        {"right password", true, kRight, kRight, false, ACK, 0, false},
        {"right password, the removal fails", true, kRight, kRight, true, NAK, StatusFailed, true},
        {"wrong password on a read-only file", true, kWrong, kWrong, true, NAK, StatusAccessDenied,
         true},
    };
    for (const Case& c : cases) {
        run(CmdUnlock, c);
    }
}

TEST_F(PasswordCommandsTest, LockThenUnlockRoundTrip) {
    auto lock = request(CmdLock);
    putPasswordWords(lock, kRight, kRight);
    auto again = lock;
    ASSERT_EQ(ask(lock)->command, ACK);
    auto second = ask(again);
    EXPECT_EQ(second->command, NAK);
    EXPECT_EQ(second->status, StatusAccessDenied);

    auto unlock = request(CmdUnlock);
    putPasswordWords(unlock, kRight, kRight);
    ASSERT_EQ(ask(unlock)->command, ACK);
    EXPECT_TRUE(checkRootPassword(""));
    EXPECT_FALSE(ConfigManager::instance().keyExists("Security", "RootPassword"));
}

}  // namespace
}  // namespace rx_fwk
