// The constant file system through the kernel's ordinary file calls: the image's own drive
// B:, and archives made here mounted as drive Q:.
#include "kernel/cfs/ConstFs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "kernel/base/Handle.h"
#include "kernel/base/LastError.h"
#include "kernel/fs/Environment.h"
#include "kernel/fs/File.h"
#include "kernel/fs/Stdio.h"
#include "kernel/time/Time.h"
#include "tests/support/DebugCapture.h"
#include "tests/support/ZipMaker.h"

namespace {

using lbtest::DebugCapture;
using lbtest::ScopedMessageLevel;

constexpr int kDriveQ = 'Q' - 'A';
constexpr DWORD kSentinel = 0xdeadbeef;

std::string sourceFile(const std::string& relative) {
    std::ifstream in(std::string(LIFEBOAT_SOURCE_DIR) + "/" + relative, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

HANDLE openForReading(const char* path) {
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The whole file, or the last error as "error N".
std::string readAll(const char* path) {
    SetLastError(kSentinel);
    HANDLE file = openForReading(path);
    if (file == INVALID_HANDLE_VALUE) {
        return "error " + std::to_string(GetLastError());
    }
    std::string content;
    char buffer[100];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
        content.append(buffer, read);
    }
    CloseHandle(file);
    return content;
}

// The names a search finds, in order, and the error it ends with.
std::string list(const char* pattern) {
    WIN32_FIND_DATAA data;
    SetLastError(kSentinel);
    HANDLE search = FindFirstFileA(pattern, &data);
    if (search == INVALID_HANDLE_VALUE) {
        return "error " + std::to_string(GetLastError());
    }
    std::string names = data.cFileName;
    while (FindNextFileA(search, &data)) {
        names += std::string(" ") + data.cFileName;
    }
    const DWORD end = GetLastError();
    FindClose(search);
    return end == ERROR_NO_MORE_FILES ? names : names + " error " + std::to_string(end);
}

TEST(ConstFsImageTest, DriveBCarriesTheImagesArchive) {
    const std::string expected = sourceFile("image/cfs/ethernet.ini");
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(readAll("B:\\ETHERNET.INI"), expected);
    EXPECT_EQ(readAll("b:/ethernet.ini"), expected);
    // The three family drivers, the host network driver, the socket module and the
    // text-encoding library.
    EXPECT_EQ(list("B:\\*.dll"),
              "bcm57xx.dll hostnet.dll i8254x.dll i8255x.dll libiconv.dll wsock32.dll");

    // The C runtime reaches the drive through the stdio bridge, in text mode.
    std::FILE* stream = TovFopen("B:\\ethernet.ini", "r");
    ASSERT_NE(stream, nullptr);
    char line[128];
    ASSERT_NE(std::fgets(line, sizeof line, stream), nullptr);
    EXPECT_STREQ(line, "[DRIVERS]\n");
    std::fclose(stream);

    EXPECT_EQ(GetDriveTypeA("B:\\"), DRIVE_RAMDISK);
}

// A drive whose archive cannot be read is there but not ready: every request fails with 21.
TEST(ConstFsUnreadyTest, EveryRequestOnADamagedArchiveFailsWithNotReady) {
    static const std::string damaged = "PK\x05\x06 this is no archive";
    constexpr int kDriveP = 'P' - 'A';
    SetLastError(kSentinel);
    ASSERT_EQ(TovConstFSMount(reinterpret_cast<const unsigned char*>(damaged.data()),
                              damaged.size(), kDriveP),
              -1);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA);

    const struct {
        const char* what;
        bool (*fails)();
    } requests[] = {
        {"open",
         [] {
             return CreateFileA("P:\\ethernet.ini", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                nullptr) == INVALID_HANDLE_VALUE;
         }},
        {"find",
         [] {
             WIN32_FIND_DATAA data;
             return FindFirstFileA("P:\\*.*", &data) == INVALID_HANDLE_VALUE;
         }},
        {"attributes", [] { return GetFileAttributesA("P:\\") == INVALID_FILE_ATTRIBUTES; }},
        {"directory", [] { return SetCurrentDirectoryA("P:\\") == FALSE; }},
        {"full path",
         [] {
             char buffer[MAX_PATH];
             return GetFullPathNameA("P:x", sizeof buffer, buffer, nullptr) == 0;
         }},
        {"delete", [] { return DeleteFileA("P:\\x") == FALSE; }},
    };
    for (const auto& request : requests) {
        SCOPED_TRACE(request.what);
        SetLastError(kSentinel);
        EXPECT_TRUE(request.fails());
        EXPECT_EQ(GetLastError(), ERROR_NOT_READY);
    }
}

// A driver list of 319 bytes: the three families, no host network driver.
const char kFamilyIni[] =
    "[DRIVERS]\r\n"
    "IPEthernetDrivers=Intel 8255x Ethernet;Intel 8254x Ethernet;Broadcom 57xx Ethernet;\r\n"
    "StandardDrivers=Intel 8255x Ethernet;Intel 8254x Ethernet;Broadcom 57xx Ethernet\r\n"
    "\r\n"
    "[INTEL 8254X ETHERNET]\r\n"
    "Path=B:\\i8254x.dll\r\n"
    "\r\n"
    "[INTEL 8255X ETHERNET]\r\n"
    "Path=B:\\i8255x.dll\r\n"
    "\r\n"
    "[BROADCOM 57XX ETHERNET]\r\n"
    "Path=B:\\bcm57xx.dll\r\n";

static_assert(sizeof kFamilyIni == 320);

// One archive for the whole suite: the drive keeps pointing into it.
class ConstFsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        archive_ = new std::string(lbtest::makeZip({{"ethernet.ini", kFamilyIni},
                                                    {"i8254x.dll", "driver bytes"},
                                                    {"drivers/x.dll", "x in drivers"},
                                                    {"packed.txt", std::string(4000, 'p'), true},
                                                    {"Sub/", ""}},
                                                   "an archive comment"));
    }
    static void TearDownTestSuite() {}  // the archive stays for drives still mounted on it

    void SetUp() override {
        ASSERT_EQ(TovConstFSMount(reinterpret_cast<const unsigned char*>(archive_->data()),
                                  archive_->size(), kDriveQ),
                  kDriveQ);
    }
    void TearDown() override { SetCurrentDirectoryA("C:\\"); }

    static std::string* archive_;
};

std::string* ConstFsTest::archive_ = nullptr;

TEST_F(ConstFsTest, OpenFindsMembersAndRefusesTheRest) {
    struct Case {
        const char* path;
        std::string result;
    } cases[] = {
        {"Q:\\i8254x", "driver bytes"},  // a prefix of the member's name
        {"q:/I8254X.DLL", "driver bytes"},
        {"Q:\\drivers\\..\\.\\i8254x.dll", "driver bytes"},
        {"Q:\\DRIVERS\\X.DLL", "x in drivers"},
        {"Q:\\packed.txt", "error 13"},  // deflated
        {"Q:\\drivers", "error 13"},     // a directory
        {"Q:\\", "error 13"},
        {"Q:\\missing.ini", "error 2"},
        {"Q:\\x.dll", "error 2"},  // only in drivers
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(readAll(c.path), c.result);
    }

    struct Refused {
        DWORD access;
        DWORD disposition;
    } refused[] = {{GENERIC_READ, CREATE_NEW},
                   {GENERIC_READ, CREATE_ALWAYS},
                   {GENERIC_READ, TRUNCATE_EXISTING},
                   {GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING}};
    for (const Refused& r : refused) {
        SCOPED_TRACE(r.disposition);
        SetLastError(kSentinel);
        EXPECT_EQ(CreateFileA("Q:\\ethernet.ini", r.access, 0, nullptr, r.disposition, 0, nullptr),
                  INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), ERROR_WRITE_PROTECT);
    }
    EXPECT_FALSE(DeleteFileA("Q:\\ethernet.ini"));
    EXPECT_EQ(readAll("Q:\\ethernet.ini").size(), 319u);
}

TEST_F(ConstFsTest, SearchesListOneDirectoryLevel) {
    EXPECT_EQ(list("Q:\\*.*"), "ethernet.ini i8254x.dll drivers packed.txt Sub");
    EXPECT_EQ(list("Q:\\*.dll"), "i8254x.dll");
    EXPECT_EQ(list("Q:\\drivers\\*.*"), "x.dll");
    EXPECT_EQ(list("Q:\\nothing*"), "error 18");

    ASSERT_TRUE(SetCurrentDirectoryA("Q:\\drivers"));
    char current[MAX_PATH];
    EXPECT_EQ(GetCurrentDirectoryA(sizeof current, current), 10u);
    EXPECT_STREQ(current, "Q:/drivers");
    EXPECT_EQ(list("*.*"), "x.dll");
    EXPECT_EQ(readAll("x.dll"), "x in drivers");
    ASSERT_TRUE(SetCurrentDirectoryA("Q:\\"));
    EXPECT_EQ(list("*.*"), "ethernet.ini i8254x.dll drivers packed.txt Sub");

    for (const char* notADirectory : {"Q:\\ethernet.ini", "Q:\\none", "Q:\\driv"}) {
        SCOPED_TRACE(notADirectory);
        SetLastError(kSentinel);
        EXPECT_FALSE(SetCurrentDirectoryA(notADirectory));
        EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    }
}

TEST_F(ConstFsTest, FindRecordsAndAttributes) {
    SYSTEMTIME stamp = {2021, 6, 2, 15, 10, 30, 24, 0};
    FILETIME memberTime;
    ASSERT_TRUE(SystemTimeToFileTime(&stamp, &memberTime));

    struct Case {
        const char* path;
        DWORD attributes;
        DWORD size;
        bool dated;
    } cases[] = {
        {"Q:\\ethernet.ini", FILE_ATTRIBUTE_READONLY, 319, true},
        {"Q:\\packed.txt", FILE_ATTRIBUTE_READONLY | 0x800, 4000, true},
        {"Q:\\Sub", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY, 0, true},
        {"Q:\\drivers", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(GetFileAttributesA(c.path), c.attributes);
        WIN32_FIND_DATAA data;
        HANDLE search = FindFirstFileA(c.path, &data);
        ASSERT_NE(search, INVALID_HANDLE_VALUE);
        FindClose(search);
        EXPECT_EQ(data.dwFileAttributes, c.attributes);
        EXPECT_EQ(data.nFileSizeLow, c.size);
        EXPECT_EQ(data.ftLastWriteTime.dwLowDateTime, c.dated ? memberTime.dwLowDateTime : 0);
        EXPECT_EQ(data.ftLastWriteTime.dwHighDateTime, c.dated ? memberTime.dwHighDateTime : 0);
    }
    EXPECT_EQ(GetFileAttributesA("Q:\\"), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY);
    SetLastError(kSentinel);
    EXPECT_EQ(GetFileAttributesA("Q:\\missing"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);

    HANDLE file = openForReading("Q:\\ethernet.ini");
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    BY_HANDLE_FILE_INFORMATION info;
    ASSERT_TRUE(GetFileInformationByHandle(file, &info));
    EXPECT_EQ(info.dwFileAttributes, FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(info.nFileSizeLow, 319u);
    EXPECT_EQ(info.nNumberOfLinks, 1u);
    EXPECT_EQ(info.ftLastWriteTime.dwLowDateTime, memberTime.dwLowDateTime);
    FILETIME creation, access, write;
    ASSERT_TRUE(GetFileTime(file, &creation, &access, &write));
    EXPECT_EQ(creation.dwLowDateTime, memberTime.dwLowDateTime);
    EXPECT_EQ(access.dwHighDateTime, memberTime.dwHighDateTime);
    DWORD high = kSentinel;
    EXPECT_EQ(GetFileSize(file, &high), 319u);
    EXPECT_EQ(high, 0u);
    CloseHandle(file);
}

TEST_F(ConstFsTest, SeeksStayInsideTheMember) {
    HANDLE file = openForReading("Q:\\ethernet.ini");
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    struct Case {
        LONG distance;
        DWORD method;
        DWORD result;  // the new offset, or INVALID_SET_FILE_POINTER
        DWORD error;
    } cases[] = {
        {-10, FILE_END, 309, 0},
        {1, FILE_END, INVALID_SET_FILE_POINTER, ERROR_HANDLE_EOF},
        {5, FILE_CURRENT, 314, 0},  // from 309: failures leave the position
        {-1, FILE_BEGIN, INVALID_SET_FILE_POINTER, ERROR_NEGATIVE_SEEK},
        {-315, FILE_CURRENT, INVALID_SET_FILE_POINTER, ERROR_NEGATIVE_SEEK},
        {0, 7, INVALID_SET_FILE_POINTER, ERROR_INVALID_PARAMETER},
        {319, FILE_BEGIN, 319, 0},
        {309, FILE_BEGIN, 309, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.distance) + " from " + std::to_string(c.method));
        SetLastError(kSentinel);
        EXPECT_EQ(SetFilePointer(file, c.distance, nullptr, c.method), c.result);
        if (c.error != 0) {
            EXPECT_EQ(GetLastError(), c.error);
        }
    }
    char buffer[32];
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(std::string(buffer, read), std::string(kFamilyIni).substr(309));
    ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(read, 0u);
    CloseHandle(file);
}

TEST_F(ConstFsTest, FullPathNames) {
    struct Case {
        const char* path;
        const char* full;
        const char* filePart;
    } cases[] = {
        {"Q:..\\..\\x", "Q:/x", "x"},
        {"Q:\\drivers\\.\\x.dll", "Q:/drivers/x.dll", "x.dll"},
        {"q:/a//b\\..\\c...", "Q:/a/c", "c"},
        {"Q:\\", "Q:/", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        char buffer[MAX_PATH];
        LPSTR filePart = nullptr;
        EXPECT_EQ(GetFullPathNameA(c.path, sizeof buffer, buffer, &filePart), std::strlen(c.full));
        EXPECT_STREQ(buffer, c.full);
        ASSERT_NE(filePart, nullptr);
        EXPECT_STREQ(filePart, c.filePart);
    }
    char small[4];
    EXPECT_EQ(GetFullPathNameA("Q:\\abcdef", sizeof small, small, nullptr), 10u);
}

TEST_F(ConstFsTest, TraceLinesFollowTheMessageLevel) {
    const std::string damaged = archive_->substr(0, archive_->size() - 40);
    struct Row {
        int level;
        bool errors;
        bool traces;
    } rows[] = {{0, false, false}, {1, true, false}, {40, true, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.level);
        ScopedMessageLevel level("FileSystem.CFS", row.level);
        DebugCapture capture;
        ASSERT_EQ(TovConstFSMount(reinterpret_cast<const unsigned char*>(archive_->data()),
                                  archive_->size(), kDriveQ),
                  kDriveQ);
        SetLastError(kSentinel);
        EXPECT_EQ(TovConstFSMount(reinterpret_cast<const unsigned char*>(damaged.data()),
                                  damaged.size(), kDriveQ),
                  -1);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA);
        const std::string& out = capture.screen();
        EXPECT_EQ(out.find("TovConstFSInit: ZIP bad end signature: ") != std::string::npos,
                  row.errors)
            << out;
        EXPECT_EQ(out.find("cfs: init, adding 5 entries (12, 0, 0)\n") != std::string::npos,
                  row.traces)
            << out;
        EXPECT_EQ(out.find("cfs: addND adding drivers (7)\n") != std::string::npos, row.traces);
    }
}

}  // namespace
