#include "kernel/fs/posix/DrivePath.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string joined(const TovDrivePath& path) {
    return TovJoinDrivePath('C', path.components);
}

TEST(DrivePathTest, PathsResolveAgainstTheCurrentDirectoryAndStayOnTheDrive) {
    const TovPathComponents current = {"zu-rt", "system"};
    struct Row {
        const char* path;
        const char* full;
        bool trailing;
    };
    const Row rows[] = {
        {"C:\\zu-rt.ini", "C:\\zu-rt.ini", false},
        {"c:/ZU-RT.INI", "C:\\ZU-RT.INI", false},
        {"\\a\\b", "C:\\a\\b", false},
        {"/a//b/", "C:\\a\\b", true},
        {"errlog.txt", "C:\\zu-rt\\system\\errlog.txt", false},
        {"C:errlog.txt", "C:\\zu-rt\\system\\errlog.txt", false},
        {"C:", "C:\\zu-rt\\system", false},
        {".\\ethernet\\.\\netconf.ini", "C:\\zu-rt\\system\\ethernet\\netconf.ini", false},
        {"..\\..\\x", "C:\\x", false},
        {"..\\..\\..\\..\\x", "C:\\x", false},
        {"C:\\..\\..\\etc\\passwd", "C:\\etc\\passwd", false},
        {"C:\\a\\..\\..\\b", "C:\\b", false},
        {"C:\\", "C:\\", true},
        {"C:\\a.txt.", "C:\\a.txt", false},
        {"C:\\dir. \\name ", "C:\\dir\\name", false},
        {"C:\\...\\x", "C:\\x", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        TovDrivePath parsed;
        ASSERT_EQ(TovParseDrivePath(row.path, current, TovNameCheck::Names, parsed), 0u);
        EXPECT_EQ(joined(parsed), row.full);
        EXPECT_EQ(parsed.trailingSeparator, row.trailing);
    }
}

TEST(DrivePathTest, BadNames) {
    struct Row {
        const char* path;
        TovNameCheck check;
        DWORD error;
    };
    const std::string tooLong = "C:\\" + std::string(300, 'a');
    const Row rows[] = {
        {"", TovNameCheck::Names, ERROR_PATH_NOT_FOUND},
        {"C:\\a*b", TovNameCheck::Names, ERROR_INVALID_NAME},
        {"C:\\a?b", TovNameCheck::Names, ERROR_INVALID_NAME},
        {"C:\\a|b", TovNameCheck::Names, ERROR_INVALID_NAME},
        {"C:\\a\"b", TovNameCheck::Names, ERROR_INVALID_NAME},
        {"C:\\a:b", TovNameCheck::Names, ERROR_INVALID_NAME},
        {"C:\\a<b>", TovNameCheck::Names, ERROR_INVALID_NAME},
        {"C:\\a\tb", TovNameCheck::Names, ERROR_INVALID_NAME},
        {"C:\\*\\b", TovNameCheck::Pattern, ERROR_INVALID_NAME},
        {"C:\\d\\*.?", TovNameCheck::Pattern, 0},
        {"C:\\a*b", TovNameCheck::None, 0},
        {tooLong.c_str(), TovNameCheck::Names, ERROR_FILENAME_EXCED_RANGE},
        {tooLong.c_str(), TovNameCheck::None, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        TovDrivePath parsed;
        EXPECT_EQ(TovParseDrivePath(row.path, {}, row.check, parsed), row.error);
    }
}

TEST(DrivePathTest, NamePatterns) {
    struct Row {
        const char* pattern;
        const char* name;
        bool matches;
    };
    const Row rows[] = {
        {"*", "anything.txt", true},
        {"*.*", "anything.txt", true},
        {"*.*", "noextension", true},
        {"*.*", ".", true},
        {"*.txt", "ERRLOG.TXT", true},
        {"*.txt", "errlog.txt.bak", false},
        {"*.txt", "txt", false},
        {"errlog.*", "ErrLog.Txt", true},
        {"errlog.*", "errlog", true},
        {"err???.txt", "errlog.txt", true},
        {"err???.txt", "errlo.txt", false},
        {"*.", "noextension", true},
        {"*.", "a.b", false},
        {"a*b*c", "aXbYc", true},
        {"a*b*c", "aXbY", false},
        {"ZU-RT.INI", "zu-rt.ini", true},
        {"zu-rt.ini", "zu-rt.ini2", false},
        {"?", "", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.pattern) + " " + row.name);
        EXPECT_EQ(TovMatchNamePattern(row.pattern, row.name), row.matches);
    }
}

// A name match used to backtrack over every way of splitting the name between the stars:
// this pair took longer than any test may run.
TEST(DrivePathTest, StarsCostNoMoreThanPatternTimesName) {
    std::string pattern;
    for (int i = 0; i < 30; ++i) {
        pattern += "*a";
    }
    const std::string name(200, 'a');
    EXPECT_FALSE(TovMatchNamePattern(pattern + "*b", name));
    EXPECT_TRUE(TovMatchNamePattern(pattern + "*", name));
    EXPECT_TRUE(TovMatchNamePattern(pattern + "*.*", name));
    EXPECT_FALSE(TovMatchNamePattern(pattern + "?", std::string(29, 'a')));
}

}  // namespace
