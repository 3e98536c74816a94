#include "diag/DriveAndFileTest.h"

#include <cstdio>

#include "kernel/fs/CurrentDrive.h"
#include "kernel/fs/DiskSpace.h"
#include "kernel/fs/File.h"
#include "kernel/fs/LocalFileSystem.h"
#include "kernel/fs/Stdio.h"
#include "kernel/time/Time.h"

namespace nZUEmbCfg {
namespace {

constexpr int kDriveCount = 26;
constexpr int kDriveC = 3;  // as the C runtime numbers drives
constexpr DWORD kDriveWaitMs = 100;
constexpr unsigned long long kMb = 1048576;
constexpr char kTestFile[] = "c:\\rx_test_.tmp";
constexpr int kBlock = 128;
constexpr int kBlocks = 256;
constexpr long kFileSize = kBlock * kBlocks;

enum class DriveC { Present, Missing, Unreadable };

// Lists the drives; tells what became of C:.
DriveC listDrives() {
    std::printf("\tAvailable Logical drives: \n");
    const DWORD mask = GetLogicalDrives();
    DriveC driveC = DriveC::Present;
    int sized = 0;
    for (int bit = 0; bit < kDriveCount; ++bit) {
        TovPacingSleep(kDriveWaitMs);
        const int number = bit + 1;
        if ((mask & (DWORD{1} << bit)) == 0 || _chdrive(number) != 0) {
            if (number == kDriveC) {
                driveC = DriveC::Missing;
            }
            continue;
        }
        const char letter = static_cast<char>('A' + bit);
        const char root[] = {letter, ':', '\\', '\0'};
        switch (GetDriveTypeA(root)) {
            case DRIVE_REMOVABLE:
                std::printf("\t%c: (Removable)", letter);
                break;
            case DRIVE_FIXED: {
                std::printf("\t%c: ", letter);
                ULARGE_INTEGER total{};
                ULARGE_INTEGER free{};
                if (GetDiskFreeSpaceExA(root, nullptr, &total, &free)) {
                    std::printf("%llu Mb, %llu Mb free",
                                static_cast<unsigned long long>(total.QuadPart) / kMb,
                                static_cast<unsigned long long>(free.QuadPart) / kMb);
                    ++sized;
                } else {
                    std::printf("(Fixed)");
                    if (number == kDriveC) {
                        driveC = DriveC::Unreadable;
                    }
                }
                break;
            }
            case DRIVE_REMOTE:
                std::printf("\t%c: (Network)", letter);
                break;
            case DRIVE_CDROM:
                std::printf("\t%c: (CD-ROM)", letter);
                break;
            case DRIVE_RAMDISK:
                std::printf("\t%c: (RAM disk)", letter);
                break;
            default:
                break;
        }
        if (sized % 2 == 1) {
            std::printf("\n");
        }
    }
    if (sized == 0) {
        std::printf("\n");
    }
    return driveC;
}

// Size of the test file as the file system reports it.
long long reportedSize() {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(kTestFile, &found);
    if (search == INVALID_HANDLE_VALUE) {
        return -1;
    }
    FindClose(search);
    return static_cast<long long>((ULONGLONG{found.nFileSizeHigh} << 32) | found.nFileSizeLow);
}

void fileTest(std::FILE* file) {
    unsigned char pattern[kBlock];
    for (int i = 0; i < kBlock; ++i) {
        pattern[i] = static_cast<unsigned char>(i + 32);
    }
    for (int block = 0; block < kBlocks; ++block) {
        // An unbuffered glibc stream may count a block its write did not deliver; its
        // error flag tells.
        const std::size_t stored = std::fwrite(pattern, 1, kBlock, file);
        if (stored < static_cast<std::size_t>(kBlock) || std::ferror(file)) {
            std::printf("Write failed\n");
            break;
        }
    }
    const long written = std::ftell(file);
    std::fflush(file);
    std::fseek(file, 0, SEEK_SET);
    if (reportedSize() != written) {
        std::printf("Bad file size returned.\n");
    }
    long read = 0;
    for (int c; (c = std::fgetc(file)) != EOF;) {
        const int expected = pattern[read % kBlock];
        ++read;
        if (c != expected) {
            std::printf("Read data mismatch at byte %d: read %x, should be %x.\n",
                        static_cast<int>(read - 1), c, expected);
            break;
        }
    }
    if (read == written) {
        if (read == kFileSize) {
            std::printf("successful\n");
        }
    } else {
        std::printf("Incomplete read\n.");
    }
}

}  // namespace

bool runDriveAndFileTest() {
    if (!TovFileSystemSupported()) {
        return false;
    }
    if (!TovIDEInit()) {
        std::printf(
            "\tError! Can not initialize IDE hard drive. Check hardware configuration.\n"
            "\tNote: Tessel Real-Time supports only Parallel ATA models. If you have\n"
            "\tSerial ATA hard drive it must be configured to work in \"legacy\" or\n"
            "\t\"compatibility\" mode to appear as Parallel ATA.\n");
        return false;
    }
    TovLocalFSInit(0);
    if (!TovLocalFSInit(3)) {
        std::printf("Error! Cannot initialize local filesystem!\n");
        return false;
    }
    const int current = _getdrive();
    switch (listDrives()) {
        case DriveC::Missing:
            _chdrive(current);
            std::printf(
                "\tError! C drive is not found. Check you hard drive installation.\n"
                "\tYou may need to format hard drive and create primary FAT32 partition.\n");
            return false;
        case DriveC::Unreadable:
            _chdrive(current);
            std::printf(
                "\tError! Can not read C drive parameters. C does not appear to be a valid\n"
                "\tDOS drive. You may need to repartition your hard drive and/or reformat\n"
                "\tyour C partition into FAT32 file system.\n");
            return false;
        case DriveC::Present:
            break;
    }
    _chdrive(current);
    std::printf("\tFile I/O test:\t");
    std::fflush(stdout);
    std::FILE* file = TovFopen(kTestFile, "wb+");
    if (file == nullptr) {
        std::printf(
            "Couldn't create file.\n"
            "\tError! C drive may be full or it is not a DOS drive. You may need\n"
            "\tto repartition your hard drive and/or reformat C partition into\n"
            "\tFAT32 file system.\n");
        return false;
    }
    // Unbuffered: each block reaches the disk with a write of its own, so a failing write
    // shows at the block that failed.
    std::setvbuf(file, nullptr, _IONBF, 0);
    fileTest(file);
    std::fclose(file);
    DeleteFileA(kTestFile);
    std::fflush(stdout);
    return true;
}

}  // namespace nZUEmbCfg
