// The drive table with a driver of the test's own on B:, as the archive's driver plugs in.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "kernel/base/Handle.h"
#include "kernel/base/LastError.h"
#include "kernel/fs/Drive.h"
#include "kernel/fs/Environment.h"
#include "kernel/fs/File.h"
#include "kernel/fs/Stdio.h"
#include "tests/support/TempDisk.h"

namespace {

constexpr DWORD kSentinel = 0xdeadbeef;
constexpr int kDriveB = 1;

// A read-only drive with one file, "\hello.txt".
class OneFileDrive : public TovDrive {
public:
    class File : public TovDriveFile {
    public:
        BOOL read(void* buffer, DWORD toRead, DWORD* read) override {
            *read = std::min<DWORD>(toRead, static_cast<DWORD>(kText.size() - position_));
            std::memcpy(buffer, kText.data() + position_, *read);
            position_ += *read;
            return TRUE;
        }
        BOOL seek(LONGLONG distance, DWORD method, ULONGLONG* position) override {
            LONGLONG base = method == FILE_BEGIN     ? 0
                            : method == FILE_CURRENT ? position_
                                                     : kText.size();
            position_ = static_cast<std::size_t>(base + distance);
            *position = position_;
            return TRUE;
        }
        BOOL size(ULONGLONG* size) override {
            *size = kText.size();
            return TRUE;
        }
        BOOL information(BY_HANDLE_FILE_INFORMATION* info) override {
            std::memset(info, 0, sizeof *info);
            info->dwFileAttributes = FILE_ATTRIBUTE_READONLY;
            return TRUE;
        }

    private:
        std::size_t position_ = 0;
    };

    static inline const std::string kText = "hello\r\nworld\r\n";

    std::unique_ptr<TovDriveFile> open(LPCSTR path, DWORD, DWORD, DWORD) override {
        lastPath = path;
        if (std::strcmp(path + std::strlen(path) - 9, "hello.txt") != 0) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return nullptr;
        }
        return std::make_unique<File>();
    }
    std::unique_ptr<TovDriveSearch> findFirst(LPCSTR, WIN32_FIND_DATAA*) override {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    DWORD attributes(LPCSTR path) override {
        lastPath = path;
        return FILE_ATTRIBUTE_READONLY;
    }
    DWORD fullPathName(LPCSTR, DWORD, LPSTR, LPSTR*) override { return 0; }
    BOOL setCurrentDirectory(LPCSTR path) override {
        lastPath = path;
        return TRUE;
    }
    DWORD currentDirectory(DWORD size, LPSTR buffer) override {
        if (size < 4) {
            return 4;
        }
        std::strcpy(buffer, "B:\\");
        return 3;
    }

    std::string lastPath;
};

TEST(DriveTableTest, ARegisteredDriverServesItsLetter) {
    lbtest::TempDisk disk;
    auto drive = std::make_shared<OneFileDrive>();
    ASSERT_EQ(TovRegisterDrive(kDriveB, drive), kDriveB);
    EXPECT_EQ(GetLogicalDrives() & 0x6u, 0x6u);  // B: and C:
    EXPECT_EQ(GetDriveTypeA("B:\\"), DRIVE_FIXED);
    EXPECT_EQ(GetDriveTypeA("Q:\\"), DRIVE_NO_ROOT_DIR);

    EXPECT_EQ(GetFileAttributesA("b:\\x"), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(drive->lastPath, "b:\\x");  // as the caller wrote it
    std::FILE* file = TovFopen("B:\\hello.txt", "r");
    ASSERT_NE(file, nullptr);
    char line[16];
    EXPECT_STREQ(std::fgets(line, sizeof line, file), "hello\n");
    std::fclose(file);

    // The changing requests a read-only driver does not answer.
    SetLastError(kSentinel);
    EXPECT_FALSE(DeleteFileA("B:\\hello.txt"));
    EXPECT_EQ(GetLastError(), ERROR_WRITE_PROTECT);
    SetLastError(kSentinel);
    EXPECT_FALSE(CreateDirectoryA("B:\\d", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_WRITE_PROTECT);
    SetLastError(kSentinel);
    EXPECT_FALSE(MoveFileExA("B:\\hello.txt", "C:\\hello.txt", 0));
    EXPECT_EQ(GetLastError(), ERROR_NOT_SAME_DEVICE);
    HANDLE handle =
        CreateFileA("B:\\hello.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD written = 0;
    SetLastError(kSentinel);
    EXPECT_FALSE(WriteFile(handle, "x", 1, &written, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    CloseHandle(handle);

    // The current drive follows SetCurrentDirectoryA; paths without a letter go there.
    ASSERT_TRUE(SetCurrentDirectoryA("B:\\"));
    char current[MAX_PATH];
    EXPECT_EQ(GetCurrentDirectoryA(sizeof current, current), 3u);
    EXPECT_STREQ(current, "B:\\");
    EXPECT_EQ(GetFileAttributesA("\\relative"), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(drive->lastPath, "\\relative");
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
    EXPECT_EQ(GetFileAttributesA("\\relative"), INVALID_FILE_ATTRIBUTES);
}

TEST(DriveTableTest, RegistrationAnswersTheDriveGiven) {
    // Once per process: the drive stays registered.
    static const int kFree = TovRegisterDrive(-1, std::make_shared<OneFileDrive>());
    EXPECT_GE(kFree, 3);  // the first free one from D: on
    EXPECT_NE(GetLogicalDrives() & (1u << kFree), 0u);
    EXPECT_EQ(TovRegisterDrive(kFree, std::make_shared<OneFileDrive>()), kFree);  // replaced
    SetLastError(kSentinel);
    EXPECT_EQ(TovRegisterDrive(26, std::make_shared<OneFileDrive>()), -1);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(TovRegisterDrive(4, nullptr), -1);
}

}  // namespace
