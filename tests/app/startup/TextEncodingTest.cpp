#include "app/startup/TextEncoding.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "kernel/base/LastError.h"
#include "kernel/fs/Environment.h"
#include "tests/support/TempDisk.h"

namespace {

using rx_fwk::TextEncodingStatus;

constexpr DWORD kSentinel = 0xdeadbeef;

class TextEncoding : public ::testing::Test {
protected:
    void TearDown() override {
        rx_fwk::releaseTextEncodingLibrary();
        rx_fwk::setTextEncodingCharacterSet("ASCII");
        SetEnvironmentVariableA("PATH", nullptr);
    }

    // libiconv.dll is on B:, found through PATH as the rescue image finds it.
    static TextEncodingStatus load(bool withLibrary) {
        SetEnvironmentVariableA("PATH", withLibrary ? "B:\\" : nullptr);
        return rx_fwk::loadTextEncodingLibrary();
    }

    lbtest::TempDisk disk_;
};

struct Result {
    int value;
    DWORD error;
    std::u16string wide;
    std::string narrow;
};

Result toWide(const std::string& text, int capacity) {
    std::u16string out(capacity, u'?');
    SetLastError(kSentinel);
    const int value = rx_fwk::multiByteToWide(0, 0, text.c_str(), int(text.size()),
                                              capacity == 0 ? nullptr : out.data(), capacity);
    const DWORD error = value == 0 ? GetLastError() : 0;
    out.resize(value > 0 && capacity > 0 ? value : 0);
    return Result{value, error, out, {}};
}

Result toNarrow(const std::u16string& text, int capacity) {
    std::string out(capacity, '?');
    SetLastError(kSentinel);
    const int value =
        rx_fwk::wideToMultiByte(0, 0, text.c_str(), int(text.size()),
                                capacity == 0 ? nullptr : out.data(), capacity, nullptr, nullptr);
    const DWORD error = value == 0 ? GetLastError() : 0;
    out.resize(value > 0 && capacity > 0 ? value : 0);
    return Result{value, error, {}, out};
}

TEST_F(TextEncoding, ConversionsWithAndWithoutTheLibrary) {
    const std::string latin(300, '\xE9');  // more than one counting chunk either way
    const struct Row {
        const char* what;
        bool library;
        const char* characterSet;
        bool wideOut;  // multiByteToWide, else wideToMultiByte
        std::string narrow;
        std::u16string wide;
        int capacity;
        int value;
        DWORD error;
    } rows[] = {
        {"ascii in", false, "L1", true, "Hello", u"Hello", 8, 5, 0},
        {"ascii out", false, "L1", false, "Hello", u"Hello", 8, 5, 0},
        {"ascii counted", false, "L1", true, "Hello", u"", 0, 5, 0},
        {"byte above 0x7F", false, "L1", true, "caf\xE9", u"", 8, 0, 1113},
        {"unit above 0x7F", false, "L1", false, "", u"caf\u00e9", 8, 0, 1113},
        {"unknown set ignored", false, "NO-SUCH-SET", true, "abc", u"abc", 8, 3, 0},
        {"too small in", false, "L1", true, "Hello", u"", 3, 0, 122},
        {"too small out", false, "L1", false, "", u"Hello", 3, 0, 122},
        {"ascii in", true, "L1", true, "Hello", u"Hello", 8, 5, 0},
        {"ascii out", true, "L1", false, "Hello", u"Hello", 8, 5, 0},
        {"latin-1 in", true, "L1", true, "caf\xE9", u"caf\u00e9", 8, 4, 0},
        {"latin-1 out", true, "L1", false, "caf\xE9", u"caf\u00e9", 8, 4, 0},
        {"utf-8 out", true, "UTF-8", false, "caf\xC3\xA9", u"caf\u00e9", 8, 5, 0},
        {"counted in chunks", true, "L1", true, latin, u"", 0, 300, 0},
        {"counted out", true, "UTF-8", false, "", std::u16string(300, u'\u00e9'), 0, 600, 0},
        {"unknown set", true, "NO-SUCH-SET", true, "abc", u"", 8, 0, 1113},
        {"no counterpart", true, "ASCII", false, "", u"caf\u00e9", 8, 0, 122},
        {"too small in", true, "L1", true, "Hello", u"", 3, 0, 122},
        {"too small out", true, "L1", false, "", u"Hello", 3, 0, 122},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.what) + (row.library ? " with" : " without") + " libiconv");
        ASSERT_EQ(load(row.library),
                  row.library ? TextEncodingStatus::Loaded : TextEncodingStatus::NotLoaded);
        rx_fwk::setTextEncodingCharacterSet(row.characterSet);
        if (row.wideOut) {
            const Result result = toWide(row.narrow, row.capacity);
            EXPECT_EQ(result.value, row.value);
            EXPECT_EQ(result.error, row.error);
            if (row.capacity > 0 && row.value > 0) {
                EXPECT_TRUE(result.wide == row.wide);
            }
        } else {
            const Result result = toNarrow(row.wide, row.capacity);
            EXPECT_EQ(result.value, row.value);
            EXPECT_EQ(result.error, row.error);
            if (row.capacity > 0 && row.value > 0) {
                EXPECT_EQ(result.narrow, row.narrow);
            }
        }
    }
}

TEST_F(TextEncoding, TerminatedTextCountsItsTerminator) {
    ASSERT_EQ(load(true), TextEncodingStatus::Loaded);
    rx_fwk::setTextEncodingCharacterSet("L1");
    char16_t wide[8];
    EXPECT_EQ(rx_fwk::multiByteToWide(0, 0, "ab\xE9", -1, wide, 8), 4);
    EXPECT_TRUE(std::u16string(wide, 4) == std::u16string(u"ab\u00e9\0", 4));
    char narrow[8];
    EXPECT_EQ(rx_fwk::wideToMultiByte(0, 0, u"ab", -1, narrow, 8, nullptr, nullptr), 3);
    EXPECT_STREQ(narrow, "ab");
}

TEST_F(TextEncoding, ALibraryWithoutTheEntryPointsLeavesTheFallback) {
    std::filesystem::copy_file(LIFEBOAT_PROBE_DLL, disk_.hostPath("libiconv.dll"));
    SetCurrentDirectoryA("C:\\");
    EXPECT_EQ(load(false), TextEncodingStatus::EntryMissing);
    EXPECT_EQ(rx_fwk::textEncodingStatus(), TextEncodingStatus::EntryMissing);
    EXPECT_EQ(toWide("abc", 8).value, 3);
    EXPECT_EQ(toWide("\x80", 8).error, 1113u);
}

TEST_F(TextEncoding, TheCharacterSetKeepsTwentyNineCharacters) {
    EXPECT_EQ(rx_fwk::textEncodingCharacterSet(), "ASCII");
    rx_fwk::setTextEncodingCharacterSet(std::string(29, 'x') + "YZ");
    EXPECT_EQ(rx_fwk::textEncodingCharacterSet(), std::string(29, 'x'));
}

}  // namespace
