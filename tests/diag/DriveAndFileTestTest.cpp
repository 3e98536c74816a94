#include "diag/DriveAndFileTest.h"

#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>

#include "kernel/base/LastError.h"
#include "kernel/fs/CurrentDrive.h"
#include "kernel/fs/Drive.h"
#include "kernel/fs/File.h"
#include "kernel/fs/posix/DriveTable.h"
#include "tests/support/ForwardingDrive.h"
#include "tests/support/TempDisk.h"

namespace nZUEmbCfg {
namespace {

constexpr int kDriveC = 2;

// Drive C: as it is, except for the faults a test asks for: files whose writes fail once
// `writeLimit` bytes were written, and a volume that cannot tell its size.
class FaultyDrive : public lbtest::ForwardingDrive {
public:
    explicit FaultyDrive(std::shared_ptr<TovDrive> inner) : ForwardingDrive(std::move(inner)) {}

    long writeLimit = -1;
    bool noSpace = false;

    std::unique_ptr<TovDriveFile> open(LPCSTR path, DWORD access, DWORD disposition,
                                       DWORD flags) override {
        std::unique_ptr<TovDriveFile> file = inner().open(path, access, disposition, flags);
        if (file == nullptr || writeLimit < 0) {
            return file;
        }
        return std::make_unique<FaultyFile>(std::move(file), writeLimit);
    }
    BOOL space(ULONGLONG* total, ULONGLONG* free, ULONGLONG* available) override {
        return noSpace ? FALSE : inner().space(total, free, available);
    }

private:
    class FaultyFile : public TovDriveFile {
    public:
        FaultyFile(std::unique_ptr<TovDriveFile> inner, long limit)
            : inner_(std::move(inner)), left_(limit) {}
        BOOL read(void* buffer, DWORD toRead, DWORD* read) override {
            return inner_->read(buffer, toRead, read);
        }
        BOOL write(const void* buffer, DWORD toWrite, DWORD* written) override {
            if (static_cast<long>(toWrite) > left_) {
                SetLastError(ERROR_WRITE_FAULT);
                return FALSE;
            }
            left_ -= static_cast<long>(toWrite);
            return inner_->write(buffer, toWrite, written);
        }
        BOOL seek(LONGLONG distance, DWORD method, ULONGLONG* position) override {
            return inner_->seek(distance, method, position);
        }
        BOOL size(ULONGLONG* size) override { return inner_->size(size); }
        BOOL information(BY_HANDLE_FILE_INFORMATION* info) override {
            return inner_->information(info);
        }
        BOOL flush() override { return inner_->flush(); }

    private:
        std::unique_ptr<TovDriveFile> inner_;
        long left_;
    };
};

class DriveAndFileTestTest : public ::testing::Test {
protected:
    void SetUp() override { hostC_ = TovDriveOf("C:\\"); }
    void TearDown() override { TovRegisterDrive(kDriveC, hostC_); }

    // Runs the test with C: served by `drive` (null: the host drive); answers its output.
    std::string run(std::shared_ptr<TovDrive> drive, bool& result) {
        if (drive != nullptr) {
            TovRegisterDrive(kDriveC, drive);
        }
        testing::internal::CaptureStdout();
        result = runDriveAndFileTest();
        std::fflush(stdout);
        return testing::internal::GetCapturedStdout();
    }

    lbtest::TempDisk disk_;
    std::shared_ptr<TovDrive> hostC_;
};

TEST_F(DriveAndFileTestTest, ListsTheDrivesAndPassesTheFileTest) {
    bool result = false;
    const std::string out = run(nullptr, result);
    EXPECT_TRUE(result);
    EXPECT_TRUE(
        std::regex_match(out, std::regex("\tAvailable Logical drives: \n"
                                         "\tB: \\(RAM disk\\)\tC: [0-9]+ Mb, [0-9]+ Mb free\n"
                                         "\tFile I/O test:\tsuccessful\n")))
        << out;
    EXPECT_EQ(GetFileAttributesA("C:\\rx_test_.tmp"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(_getdrive(), 3);
}

TEST_F(DriveAndFileTestTest, FaultsOfDriveC) {
    struct Row {
        const char* name;
        long writeLimit;
        bool noSpace;
        bool unregistered;
        bool result;
        std::string expectedEnd;
    };
    const Row rows[] = {
        // A write error after ten blocks: the read-back stops where the writes stopped, and
        // neither verdict is printed.
        {"write fails", 1280, false, false, true, "\tFile I/O test:\tWrite failed\n"},
        {"no size", -1, true, false, false,
         "\tC: (Fixed)\n"
         "\tError! Can not read C drive parameters. C does not appear to be a valid\n"
         "\tDOS drive. You may need to repartition your hard drive and/or reformat\n"
         "\tyour C partition into FAT32 file system.\n"},
        {"no drive C", -1, false, true, false,
         "\tError! Can not initialize IDE hard drive. Check hardware configuration.\n"
         "\tNote: Tessel Real-Time supports only Parallel ATA models. If you have\n"
         "\tSerial ATA hard drive it must be configured to work in \"legacy\" or\n"
         "\t\"compatibility\" mode to appear as Parallel ATA.\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto faulty = std::make_shared<FaultyDrive>(hostC_);
        faulty->writeLimit = row.writeLimit;
        faulty->noSpace = row.noSpace;
        if (row.unregistered) {
            TovUnregisterDrive(kDriveC);
        }
        bool result = !row.result;
        const std::string out = run(row.unregistered ? nullptr : faulty, result);
        EXPECT_EQ(result, row.result);
        ASSERT_GE(out.size(), row.expectedEnd.size()) << out;
        EXPECT_EQ(out.substr(out.size() - row.expectedEnd.size()), row.expectedEnd) << out;
        EXPECT_EQ(_getdrive(), 3);
        TovRegisterDrive(kDriveC, hostC_);
        EXPECT_EQ(GetFileAttributesA("C:\\rx_test_.tmp"), INVALID_FILE_ATTRIBUTES);
    }
}

}  // namespace
}  // namespace nZUEmbCfg
