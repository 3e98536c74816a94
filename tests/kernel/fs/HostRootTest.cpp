// No path leaves drive C:, whether by `..` or by a symbolic link, with openat2 and with the
// walk that stands in for it.
#include "kernel/fs/posix/HostRoot.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "kernel/base/Handle.h"
#include "kernel/base/LastError.h"
#include "kernel/fs/File.h"
#include "tests/support/TempDisk.h"

namespace {

bool opens(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    CloseHandle(file);
    return file != INVALID_HANDLE_VALUE;
}

// The file's bytes, or "(none)" with the last error kept when it does not open.
std::string contents(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return "(none)";
    }
    char buffer[64];
    DWORD got = 0;
    ReadFile(file, buffer, sizeof buffer, &got, nullptr);
    CloseHandle(file);
    return std::string(buffer, got);
}

// Lets the clock move past every host stamp made so far: the drive remembers an answer only
// once no later change could leave the stamps it was checked by unchanged.
void letStampsSettle() {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
}

class HostRootTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { TovHostRootUseOpenat2(GetParam()); }
    void TearDown() override { TovHostRootUseOpenat2(true); }
};

TEST_P(HostRootTest, DotDotStopsAtTheDriveRoot) {
    lbtest::TempDisk outside;  // a neighbour of the drive on the host
    outside.writeHostFile("secret.txt", "secret");
    std::string relative = "..\\" + std::filesystem::path(outside.root()).filename().string();
    lbtest::TempDisk disk;
    const std::string paths[] = {"C:\\" + relative + "\\secret.txt",
                                 "C:\\..\\..\\..\\..\\..\\..\\" + relative + "\\secret.txt",
                                 "C:/sub/../../" + relative + "/secret.txt"};
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(opens(path.c_str()));
        EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    }
    // Creating through `..` lands on the drive.
    HANDLE file =
        CreateFileA("C:\\..\\escape.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_TRUE(std::filesystem::exists(disk.hostPath("escape.txt")));
}

TEST_P(HostRootTest, SymbolicLinksNeverLeadOutOfTheDrive) {
    lbtest::TempDisk outside;
    outside.writeHostFile("secret.txt", "secret");
    lbtest::TempDisk disk;
    disk.writeHostFile("inside/file.txt", "inside");
    ASSERT_EQ(symlink(outside.root().c_str(), disk.hostPath("out").c_str()), 0);
    ASSERT_EQ(symlink(outside.hostPath("secret.txt").c_str(), disk.hostPath("secret.lnk").c_str()),
              0);
    ASSERT_EQ(symlink("../../../../../../../../../..", disk.hostPath("up").c_str()), 0);
    ASSERT_EQ(symlink("/etc", disk.hostPath("etc").c_str()), 0);
    const char* paths[] = {"C:\\out\\secret.txt", "C:\\secret.lnk", "C:\\up\\etc\\passwd",
                           "C:\\etc\\passwd", "C:\\OUT\\SECRET.TXT"};
    for (const char* path : paths) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(opens(path));
        HANDLE created = CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
        EXPECT_EQ(created, INVALID_HANDLE_VALUE);
        CloseHandle(created);
        WIN32_FIND_DATAA data;
        HANDLE search = FindFirstFileA(path, &data);
        EXPECT_EQ(search, INVALID_HANDLE_VALUE);
        FindClose(search);
    }
    EXPECT_FALSE(SetFileAttributesA("C:\\secret.lnk", FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(outside.readHostFile("secret.txt"), "secret");
    EXPECT_TRUE(opens("C:\\inside\\file.txt"));
}

TEST_P(HostRootTest, LinksInsideTheDriveWorkWithOpenat2Only) {
    lbtest::TempDisk disk;
    disk.writeHostFile("real/file.txt", "x");
    ASSERT_EQ(symlink("real", disk.hostPath("alias").c_str()), 0);
    ASSERT_EQ(symlink("/real", disk.hostPath("rooted").c_str()), 0);  // "/" is the drive root
    EXPECT_EQ(opens("C:\\alias\\file.txt"), GetParam());
    EXPECT_EQ(opens("C:\\rooted\\file.txt"), GetParam());
}

TEST_P(HostRootTest, RememberedLookupsNoticeWhatAnotherProcessChanged) {
    lbtest::TempDisk disk;
    auto hostRename = [&disk](const char* from, const char* to) {
        ASSERT_EQ(std::rename(disk.hostPath(from).c_str(), disk.hostPath(to).c_str()), 0);
    };
    auto hostRemove = [&disk](const char* name) {
        ASSERT_TRUE(std::filesystem::remove(disk.hostPath(name)));
    };
    disk.writeHostFile("Data.ini", "one");
    disk.writeHostFile("sub/keep.txt", "k");
    struct Step {
        const char* what;
        const char* askedBefore;  // remembered before the change
        std::function<void()> change;
        const char* askedAfter;
        const char* expected;
        DWORD error;  // when nothing opens
    };
    const Step steps[] = {
        {"replaced by a file renamed over it", "C:\\DATA.INI",
         [&] {
             disk.writeHostFile("new.tmp", "two");
             hostRename("new.tmp", "Data.ini");
         },
         "C:\\DATA.INI", "two", 0},
        {"renamed", "C:\\DATA.INI", [&] { hostRename("Data.ini", "Other.ini"); }, "C:\\DATA.INI",
         "(none)", ERROR_FILE_NOT_FOUND},
        {"found under the new name", "C:\\OTHER.INI", [] {}, "c:/other.ini", "two", 0},
        {"deleted", "C:\\OTHER.INI", [&] { hostRemove("Other.ini"); }, "C:\\OTHER.INI", "(none)",
         ERROR_FILE_NOT_FOUND},
        {"recreated with another case", "C:\\OTHER.INI",
         [&] { disk.writeHostFile("oTHER.INI", "three"); }, "C:\\OTHER.INI", "three", 0},
        {"recreated in place", "C:\\OTHER.INI",
         [&] {
             hostRemove("oTHER.INI");
             disk.writeHostFile("oTHER.INI", "four");
         },
         "C:\\OTHER.INI", "four", 0},
        {"made in a directory that lacked it", "C:\\SUB\\NEW.TXT",
         [&] { disk.writeHostFile("sub/New.txt", "five"); }, "C:\\SUB\\NEW.TXT", "five", 0},
        {"made with a directory on its way", "C:\\LATER\\F.TXT",
         [&] { disk.writeHostFile("Later/f.txt", "six"); }, "C:\\LATER\\F.TXT", "six", 0},
        {"directory on the way renamed", "C:\\LATER\\F.TXT", [&] { hostRename("Later", "Gone"); },
         "C:\\LATER\\F.TXT", "(none)", ERROR_PATH_NOT_FOUND},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        letStampsSettle();
        contents(step.askedBefore);
        contents(step.askedBefore);
        step.change();
        SetLastError(0xdeadbeef);
        EXPECT_EQ(contents(step.askedAfter), step.expected);
        if (step.error != 0) {
            EXPECT_EQ(GetLastError(), step.error);
        }
        EXPECT_EQ(GetFileAttributesA(step.askedAfter) != INVALID_FILE_ATTRIBUTES, step.error == 0);
    }
}

TEST_P(HostRootTest, ChangesInTheTickOfTheLastChangeAreNotMissed) {
    lbtest::TempDisk disk;
    disk.writeHostFile("loop/keep.txt", "k");
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(contents("C:\\LOOP\\X.TXT"), "(none)") << i;
        disk.writeHostFile("loop/x.txt", "x");
        ASSERT_EQ(contents("C:\\LOOP\\X.TXT"), "x") << i;
        std::filesystem::remove(disk.hostPath("loop/x.txt"));
    }
}

INSTANTIATE_TEST_SUITE_P(Openat2AndWalk, HostRootTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Openat2" : "Walk"; });

}  // namespace
