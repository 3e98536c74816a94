// The kernel's profile calls on disk files and on RTOS.INI with its built-in copy.
#include "kernel/profile/Profile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "kernel/base/LastError.h"
#include "kernel/fs/WholeFile.h"
#include "kernel/fs/WindowsDirectory.h"
#include "tests/support/TempDisk.h"

namespace {

// Splits a NUL-separated list as the calls return it.
std::string joined(const char* list, DWORD length) {
    std::string out;
    for (DWORD i = 0; i < length; ++i) {
        out += list[i] == '\0' ? '|' : list[i];
    }
    return out;
}

class ProfileReaderTest : public ::testing::Test {
protected:
    ProfileReaderTest() {
        disk.writeHostFile("p.ini",
                           "; comment before any section\r\n"
                           "[Values]\r\n"
                           "plain=value\r\n"
                           "  padded   =   two words   \r\n"
                           "quoted=  \"two words\"  \r\n"
                           "inner=say \"hi\" there\r\n"
                           "opening=\"unclosed\r\n"
                           "closing=trail\"\r\n"
                           "blanks=\" a \"\r\n"
                           "; note=1\r\n"
                           "#hash=1\r\n"
                           "no equals here\r\n"
                           "first=1\r\n"
                           "FIRST=2\r\n"
                           "empty=\r\n"
                           "[ Values ]\r\n"
                           "spaced=1\r\n"
                           "[values]\r\n"
                           "second=block\r\n"
                           "[Numbers]\r\n"
                           "n=42\n"
                           "neg=-5\n"
                           "q=\" 42\"\n"
                           "big=99999999999\n"
                           "max=4294967295\n"
                           "digits=12ab\n"
                           "letters=ab\n"
                           "empty=\n"
                           "[Last]\n"
                           "k=no line end");
    }
    std::string value(const char* section, const char* key, const char* def = "def",
                      DWORD size = 64, const char* file = "C:\\p.ini") {
        char buffer[64] = "untouched";
        const DWORD n = GetPrivateProfileStringA(section, key, def, buffer, size, file);
        EXPECT_EQ(n, std::string(buffer).size());
        return buffer;
    }

    lbtest::TempDisk disk;
};

TEST_F(ProfileReaderTest, ValuesAreTrimmedAndUnquoted) {
    const struct {
        const char* section;
        const char* key;
        const char* expected;
    } rows[] = {
        {"Values", "plain", "value"},
        {"VALUES  ", "PADDED", "two words"},  // trailing blanks of the request do not count
        {"Values", "quoted", "two words"},
        {"Values", "inner", "say \"hi\" there"},
        {"Values", "opening", "unclosed"},
        {"Values", "closing", "trail"},
        {"Values", "blanks", " a"},
        {"Values", "first", "1"},
        {"Values", "empty", ""},
        {"Values", "; note", "def"},
        {"Values", "#hash", "1"},
        {"Values", "spaced", "def"},
        {" Values", "spaced", "def"},
        {"Values", "second", "def"},  // only the first block of a name is read
        {"Last", "k", "no line end"},
        {"Missing", "k", "def"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.section) + "/" + row.key);
        EXPECT_EQ(value(row.section, row.key), row.expected);
    }
}

TEST_F(ProfileReaderTest, BufferLimitsAndDefaults) {
    EXPECT_EQ(value("Values", "plain", "def", 4), "val");
    EXPECT_EQ(value("Values", "missing", "toolong", 7), "");
    EXPECT_EQ(value("Values", "missing", "fits", 5), "fits");
    EXPECT_EQ(value("Values", "missing", nullptr), "");
    EXPECT_EQ(value("Values", "plain", "def", 64, nullptr), "");
    EXPECT_EQ(value("Values", "plain", "def", 64, "C:\\absent.ini"), "def");
    char untouched = 'x';
    EXPECT_EQ(GetPrivateProfileStringA("Values", "plain", "", &untouched, 0, "C:\\p.ini"), 0u);
    EXPECT_EQ(untouched, 'x');
}

TEST_F(ProfileReaderTest, KeyAndSectionLists) {
    char buffer[256];
    DWORD n =
        GetPrivateProfileStringA("values", nullptr, "def", buffer, sizeof(buffer), "C:\\p.ini");
    EXPECT_EQ(joined(buffer, n + 1),
              "plain|padded|quoted|inner|opening|closing|blanks|#hash|first|FIRST|empty||");
    n = GetPrivateProfileStringA(nullptr, nullptr, "def", buffer, sizeof(buffer), "C:\\p.ini");
    EXPECT_EQ(joined(buffer, n + 1), "Values| Values |Numbers|Last||");
    n = GetPrivateProfileStringA(nullptr, nullptr, "", buffer, 12, "C:\\p.ini");
    EXPECT_EQ(n, 10u);
    EXPECT_EQ(joined(buffer, 12), "Values| Va||");
    n = GetPrivateProfileStringA("Missing", nullptr, "def", buffer, sizeof(buffer), "C:\\p.ini");
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(joined(buffer, 2), "||");

    n = GetPrivateProfileSectionA("Numbers ", buffer, sizeof(buffer), "C:\\p.ini");
    EXPECT_EQ(joined(buffer, n + 1),
              "n=42|neg=-5|q=\" 42\"|big=99999999999|max=4294967295|digits=12ab|letters=ab|"
              "empty=||");
    n = GetPrivateProfileSectionA("Values", buffer, sizeof(buffer), "C:\\p.ini");
    EXPECT_NE(joined(buffer, n).find("|; note=1|#hash=1|no equals here|"), std::string::npos);
}

TEST_F(ProfileReaderTest, IntegerConversion) {
    const struct {
        const char* key;
        UINT expected;
    } rows[] = {{"n", 42},      {"neg", 0},     {"q", 42},    {"big", 7},    {"max", 4294967295u},
                {"digits", 12}, {"letters", 0}, {"empty", 7}, {"missing", 7}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.key);
        EXPECT_EQ(GetPrivateProfileIntA("Numbers", row.key, 7, "C:\\p.ini"), row.expected);
    }
    EXPECT_EQ(GetPrivateProfileIntA("Numbers", "n", 7, nullptr), 7u);
}

TEST_F(ProfileReaderTest, InvalidArgumentsSetLastError) {
    char buffer[8];
    const struct {
        const char* name;
        DWORD result;
    } rows[] = {
        {"int without section", GetPrivateProfileIntA(nullptr, "n", 7, "C:\\p.ini")},
        {"int without key", GetPrivateProfileIntA("Numbers", nullptr, 7, "C:\\p.ini")},
        {"section without name", GetPrivateProfileSectionA(nullptr, buffer, 8, "C:\\p.ini")},
        {"string without buffer", GetPrivateProfileStringA("a", "b", "c", nullptr, 8, "C:\\p.ini")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.result, 0u);
    }
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetPrivateProfileIntA(nullptr, "n", 7, "C:\\p.ini"), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

// RTOS.INI: the built-in copy holds [Filesystem] FatCacheSize=8.
TEST_F(ProfileReaderTest, RtosIniDiskCopyBeforeBuiltIn) {
    char buffer[64];
    disk.writeHostFile("rtos.ini", "[Messages]\r\nRtos.Ini=3\r\n[Filesystem]\r\nOther=1\r\n");
    TovEnableDiskProfiles();  // the disk changed under the kernel: look again
    EXPECT_EQ(GetPrivateProfileIntA("Messages", "Rtos.Ini", 5, "rtos.ini"), 3u);
    // Present only in the built-in copy.
    EXPECT_EQ(GetPrivateProfileIntA("FILESYSTEM", "fatcachesize", 0, "RTOS.INI"), 8u);
    // The loaded copy stays in use after the file changes.
    disk.writeHostFile("rtos.ini", "[Messages]\r\nRtos.Ini=4\r\n");
    EXPECT_EQ(GetPrivateProfileIntA("Messages", "Rtos.Ini", 5, "RTOS.INI"), 3u);
    // Key lists come from the copy that has the section.
    DWORD n =
        GetPrivateProfileStringA("Filesystem", nullptr, "", buffer, sizeof(buffer), "RTOS.INI");
    EXPECT_EQ(joined(buffer, n + 1), "Other||");

    // A path is an ordinary file, read afresh every time.
    EXPECT_EQ(GetPrivateProfileIntA("Messages", "Rtos.Ini", 5, "C:\\RTOS.INI"), 4u);
    EXPECT_EQ(GetPrivateProfileIntA("Filesystem", "FatCacheSize", 0, "C:\\RTOS.INI"), 0u);
}

TEST_F(ProfileReaderTest, RtosIniFallsBackToBuiltIn) {
    TovEnableDiskProfiles();  // no RTOS.INI on this disk
    EXPECT_EQ(GetPrivateProfileIntA("Filesystem", "FatCacheSize", 0, "RTOS.INI"), 8u);
    disk.writeHostFile("rtos.ini", "[Filesystem]\r\nFatCacheSize=16\r\n");
    // The local disk failed once and is not asked again.
    EXPECT_EQ(GetPrivateProfileIntA("Filesystem", "FatCacheSize", 0, "RTOS.INI"), 8u);

    // The Windows directory decides where a bare name is looked for.
    disk.writeHostFile("win/rtos.ini", "[Filesystem]\r\nFatCacheSize=32\r\n");
    ASSERT_TRUE(TovSetWindowsDirectory("C:\\win"));
    TovEnableDiskProfiles();
    EXPECT_EQ(GetPrivateProfileIntA("Filesystem", "FatCacheSize", 0, "RTOS.INI"), 32u);

    // A directory too long for the name: the built-in copy answers.
    ASSERT_TRUE(TovSetWindowsDirectory(("C:\\" + std::string(252, 'd')).c_str()));
    TovEnableDiskProfiles();
    SetLastError(0);
    EXPECT_EQ(GetPrivateProfileIntA("Filesystem", "FatCacheSize", 0, "RTOS.INI"), 8u);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    ASSERT_TRUE(TovSetWindowsDirectory("C:\\"));
    TovEnableDiskProfiles();
}

TEST_F(ProfileReaderTest, ByteOrderMarkBeforeTheFirstHeaderIsSkipped) {
    disk.writeHostFile("bom.ini", "\xEF\xBB\xBF[First]\r\nk=1\r\n");
    EXPECT_EQ(value("First", "k", "def", 64, "C:\\bom.ini"), "1");
    disk.writeHostFile("rtos.ini", "\xEF\xBB\xBF[Messages]\r\nRtos.Ini=3\r\n");
    TovEnableDiskProfiles();
    EXPECT_EQ(GetPrivateProfileIntA("Messages", "Rtos.Ini", 5, "RTOS.INI"), 3u);
}

// A file read whole must not take memory without bound: one over the limit reads as
// empty (ordinary files) or leaves the built-in copy to answer (RTOS.INI).
TEST_F(ProfileReaderTest, FilesLargerThanTheLimitAreRefused) {
    const std::string tail = "\r\n[Filesystem]\r\nFatCacheSize=16\r\n";
    const struct {
        const char* what;
        std::size_t size;
        UINT plain;  // GetPrivateProfileIntA on the file by path
        UINT rtos;   // on RTOS.INI, the built-in copy holding 8
    } rows[] = {
        {"at the limit", TOV_WHOLE_FILE_LIMIT, 16, 16},
        {"one byte over", TOV_WHOLE_FILE_LIMIT + 1, 0, 8},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        // The key stands at the end: a file at the limit is read to its last byte.
        disk.writeHostFile("rtos.ini",
                           "[Pad]\r\n" + std::string(row.size - 7 - tail.size(), 'x') + tail);
        SetLastError(0xdeadbeef);
        EXPECT_EQ(GetPrivateProfileIntA("Filesystem", "FatCacheSize", 0, "C:\\rtos.ini"),
                  row.plain);
        if (row.plain == 0) {
            EXPECT_EQ(GetLastError(), ERROR_FILE_TOO_LARGE);
        }
        TovEnableDiskProfiles();
        EXPECT_EQ(GetPrivateProfileIntA("Filesystem", "FatCacheSize", 0, "RTOS.INI"), row.rtos);
    }
    std::filesystem::remove(disk.hostPath("rtos.ini"));
    TovEnableDiskProfiles();
}

}  // namespace
