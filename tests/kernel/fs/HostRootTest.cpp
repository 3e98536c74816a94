// No path leaves drive C:, whether by `..` or by a symbolic link, with openat2 and with the
// walk that stands in for it.
#include "kernel/fs/posix/HostRoot.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

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

INSTANTIATE_TEST_SUITE_P(Openat2AndWalk, HostRootTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Openat2" : "Walk"; });

}  // namespace
