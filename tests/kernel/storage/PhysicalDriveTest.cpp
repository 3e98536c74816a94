#include "kernel/storage/PhysicalDrive.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kernel/base/Handle.h"
#include "kernel/base/LastError.h"
#include "kernel/fs/File.h"
#include "kernel/storage/BlockDevice.h"
#include "kernel/storage/posix/FileBlockDevice.h"
#include "tests/support/TempDisk.h"

namespace {

constexpr DWORD kSector = kTovSectorSize;

// An image of eight sectors and a bit, numbered by sector.
class PhysicalDriveTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string bytes;
        for (int sector = 0; sector < 8; ++sector) {
            bytes += std::string(kSector, static_cast<char>('a' + sector));
        }
        bytes += std::string(100, 'z');  // not a whole sector: not part of the device
        disk_.writeHostFile("disk.img", bytes);
        index_ = TovAttachBlockDeviceFile(disk_.hostPath("disk.img"));
        ASSERT_GE(index_, 0);
        TovBlockDeviceInfo info;
        ASSERT_TRUE(TovGetBlockDevice(index_, &info));
        device_ = info.device;
        path_ = "\\\\.\\PhysicalDrive" + std::to_string(index_);
    }

    HANDLE open(const std::string& path, DWORD access = GENERIC_READ | GENERIC_WRITE,
                DWORD disposition = OPEN_EXISTING) {
        return CreateFileA(path.c_str(), access, 0, nullptr, disposition, 0, nullptr);
    }

    lbtest::TempDisk disk_;
    int index_ = -1;
    DWORD device_ = 0;
    std::string path_;
};

TEST_F(PhysicalDriveTest, WholeSectorsAreReadAndWrittenThroughTheDevice) {
    HANDLE drive = open(path_);
    ASSERT_NE(drive, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileSize(drive, nullptr), 8 * kSector);

    std::string two(2 * kSector, 'X');
    EXPECT_EQ(SetFilePointer(drive, 3 * kSector, nullptr, FILE_BEGIN), 3 * kSector);
    DWORD done = 0;
    ASSERT_TRUE(WriteFile(drive, two.data(), 2 * kSector, &done, nullptr));
    EXPECT_EQ(done, 2 * kSector);

    std::vector<char> back(3 * kSector);
    SetFilePointer(drive, 2 * kSector, nullptr, FILE_BEGIN);
    ASSERT_TRUE(ReadFile(drive, back.data(), 3 * kSector, &done, nullptr));
    EXPECT_EQ(std::string(back.begin(), back.end()), std::string(kSector, 'c') + two);

    // The last sector is read up to the device's end, then nothing more.
    SetFilePointer(drive, 7 * kSector, nullptr, FILE_BEGIN);
    ASSERT_TRUE(ReadFile(drive, back.data(), 3 * kSector, &done, nullptr));
    EXPECT_EQ(done, kSector);
    ASSERT_TRUE(ReadFile(drive, back.data(), kSector, &done, nullptr));
    EXPECT_EQ(done, 0u);
    CloseHandle(drive);

    const std::string image = disk_.readHostFile("disk.img");
    EXPECT_EQ(image.substr(3 * kSector, 2 * kSector), two);
    EXPECT_EQ(image.substr(5 * kSector, kSector), std::string(kSector, 'f'));
}

TEST_F(PhysicalDriveTest, RefusedRequests) {
    HANDLE drive = open(path_);
    HANDLE reader = open("//./physicaldrive" + std::to_string(index_), GENERIC_READ);
    ASSERT_NE(drive, INVALID_HANDLE_VALUE);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    std::vector<char> buffer(2 * kSector, 'q');
    struct Row {
        HANDLE file;
        LONG position;
        DWORD size;
        bool write;
        DWORD error;
    } rows[] = {
        {drive, 0, 100, false, ERROR_INVALID_PARAMETER},
        {drive, 10, kSector, false, ERROR_INVALID_PARAMETER},
        {drive, 0, 100, true, ERROR_INVALID_PARAMETER},
        {drive, 7 * kSector, 2 * kSector, true, ERROR_SECTOR_NOT_FOUND},
        {drive, 9 * kSector, kSector, true, ERROR_SECTOR_NOT_FOUND},
        {reader, 0, kSector, true, ERROR_ACCESS_DENIED},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        const Row& row = rows[i];
        SetFilePointer(row.file, row.position, nullptr, FILE_BEGIN);
        DWORD done = 0;
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(row.write ? WriteFile(row.file, buffer.data(), row.size, &done, nullptr)
                               : ReadFile(row.file, buffer.data(), row.size, &done, nullptr));
        EXPECT_EQ(GetLastError(), row.error);
    }
    CloseHandle(drive);
    CloseHandle(reader);
    EXPECT_EQ(disk_.readHostFile("disk.img").substr(7 * kSector, kSector),
              std::string(kSector, 'h'));

    const struct {
        std::string path;
        DWORD disposition;
        DWORD error;
    } opens[] = {
        {path_, CREATE_ALWAYS, ERROR_INVALID_PARAMETER},
        {"\\\\.\\PhysicalDrive15", OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
    };
    for (const auto& row : opens) {
        SCOPED_TRACE(row.path);
        SetLastError(0xdeadbeef);
        EXPECT_EQ(open(row.path, GENERIC_READ, row.disposition), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), row.error);
    }
    EXPECT_FALSE(TovIsPhysicalDrivePath("\\\\.\\PhysicalDrive1x"));
    EXPECT_FALSE(TovIsPhysicalDrivePath("\\\\.\\PhysicalDrive"));
}

}  // namespace
