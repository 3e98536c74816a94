// MainExe: the text from offset 28 becomes [StartUp] MainExe; a text the settings file
// refuses is answered NAK 5 and leaves the file as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "config/RootPassword.h"
#include "kernel/base/Handle.h"
#include "kernel/fs/File.h"
#include "tests/cmdserver/commands/HandlerTest.h"

namespace rx_fwk {
namespace {

using MainExeTest = HandlerTest;

std::string settingsFileBytes() {
    HANDLE file = CreateFileA("C:\\zu-rt.ini", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return "(none)";
    }
    std::string bytes;
    char buffer[512];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        bytes.append(buffer, got);
    }
    CloseHandle(file);
    return bytes;
}

std::vector<std::uint8_t> mainExeRequest(const std::string& text, std::uint8_t filler = 0) {
    auto bytes = lbtest::requestBytes(CmdMainExe, kTestMac);
    std::fill(bytes.begin() + 28, bytes.end(), filler);
    std::copy(text.begin(), text.end(), bytes.begin() + 28);
    return bytes;
}

TEST_F(MainExeTest, StoresTheTextFromOffset28) {
    struct Row {
        const char* what;
        std::vector<std::uint8_t> bytes;
        std::string stored;
    } rows[] = {
        {"a path", mainExeRequest("C:\\app\\main.exe"), "C:\\app\\main.exe"},
        {"empty: an empty value", mainExeRequest(""), ""},
        {"past text1 into data", mainExeRequest(std::string(100, 'p')), std::string(100, 'p')},
        // Without a terminator the text ends with the packet.
        {"no terminator", mainExeRequest("", 'b'), std::string(156, 'b')},
    };
    for (Row& row : rows) {
        SCOPED_TRACE(row.what);
        ConfigManager::instance().clear();
        auto expected = row.bytes;
        expected[2] = ACK;
        ASSERT_TRUE(ask(row.bytes));
        EXPECT_EQ(row.bytes, expected);
        EXPECT_TRUE(ConfigManager::instance().keyExists("StartUp", "MainExe"));
        EXPECT_EQ(ConfigManager::instance().getString("StartUp", "MainExe", "(none)"), row.stored);
    }
}

// A line break would put keys of its own into the settings file: here one that clears the
// root password of a locked controller.
TEST_F(MainExeTest, ALineBreakIsRefusedAndChangesNothing) {
    ASSERT_TRUE(setRootPasswordHash(0x12345678, 0x9ABCDEF0));
    setting("StartUp", "MainExe", "C:\\app\\main.exe");
    const std::string unlocked = storedPasswordForm(hashPassword(""));
    for (const char* breakText : {"\n", "\r", "\r\n"}) {
        SCOPED_TRACE(static_cast<int>(breakText[0]));
        const std::string before = settingsFileBytes();
        const std::string b(breakText);
        auto bytes = mainExeRequest("x" + b + "[Security]" + b + "RootPassword=" + unlocked);
        auto reply = ask(bytes);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->command, NAK);
        EXPECT_EQ(reply->status, StatusFailed);
        EXPECT_EQ(settingsFileBytes(), before);
        EXPECT_FALSE(checkRootPassword(""));
        EXPECT_EQ(ConfigManager::instance().getString("StartUp", "MainExe", ""),
                  "C:\\app\\main.exe");
    }
}

}  // namespace
}  // namespace rx_fwk
