#include "kernel/fs/File.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <functional>
#include <string>

#include "kernel/base/Handle.h"
#include "kernel/base/LastError.h"
#include "kernel/fs/Environment.h"
#include "tests/support/TempDisk.h"

namespace {

constexpr DWORD kSentinel = 0xdeadbeef;

HANDLE openFile(const char* path, DWORD access, DWORD disposition) {
    return CreateFileA(path, access, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

std::string readAll(const char* path) {
    HANDLE file = openFile(path, GENERIC_READ, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) {
        return "<" + std::to_string(GetLastError()) + ">";
    }
    std::string text;
    char buffer[256];
    DWORD count = 0;
    while (ReadFile(file, buffer, sizeof buffer, &count, nullptr) && count > 0) {
        text.append(buffer, count);
    }
    CloseHandle(file);
    return text;
}

bool writeAll(const char* path, const std::string& text) {
    HANDLE file = openFile(path, GENERIC_WRITE, CREATE_ALWAYS);
    DWORD written = 0;
    bool ok = file != INVALID_HANDLE_VALUE &&
              WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
              written == text.size();
    CloseHandle(file);
    return ok;
}

TEST(FileTest, OneFileUnderTwoSpellings) {
    lbtest::TempDisk disk;
    ASSERT_TRUE(writeAll("C:/ZU-RT.INI", "[KORA]\r\n"));
    EXPECT_EQ(readAll("C:\\zu-rt.ini"), "[KORA]\r\n");
    EXPECT_EQ(disk.readHostFile("ZU-RT.INI"), "[KORA]\r\n");  // the spelling it was created with
    ASSERT_TRUE(writeAll("c:\\Zu-Rt.Ini", "[Debug]\r\n"));    // the same file again
    EXPECT_EQ(disk.readHostFile("ZU-RT.INI"), "[Debug]\r\n");

    disk.writeHostFile("zu-rt/system/ethernet/netconf.ini", "x");
    EXPECT_EQ(readAll("C:\\ZU-RT\\System\\ETHERNET\\NetConf.ini"), "x");
    EXPECT_EQ(readAll("c:/zu-rt/system/ethernet/netconf.ini"), "x");
}

TEST(FileTest, CreationDispositions) {
    lbtest::TempDisk disk;
    struct Row {
        bool exists;
        DWORD disposition;
        DWORD access;
        bool opens;
        DWORD error;          // after the call
        const char* content;  // on disk afterwards
    };
    const Row rows[] = {
        {false, CREATE_NEW, GENERIC_WRITE, true, kSentinel, ""},
        {true, CREATE_NEW, GENERIC_WRITE, false, ERROR_FILE_EXISTS, "old"},
        {false, CREATE_ALWAYS, GENERIC_WRITE, true, ERROR_SUCCESS, ""},
        {true, CREATE_ALWAYS, GENERIC_WRITE, true, ERROR_ALREADY_EXISTS, ""},
        {false, OPEN_EXISTING, GENERIC_READ, false, ERROR_FILE_NOT_FOUND, nullptr},
        {true, OPEN_EXISTING, GENERIC_READ, true, kSentinel, "old"},
        {false, OPEN_ALWAYS, GENERIC_WRITE, true, ERROR_SUCCESS, ""},
        {true, OPEN_ALWAYS, GENERIC_WRITE, true, ERROR_ALREADY_EXISTS, "old"},
        {false, TRUNCATE_EXISTING, GENERIC_WRITE, false, ERROR_FILE_NOT_FOUND, nullptr},
        {true, TRUNCATE_EXISTING, GENERIC_WRITE, true, kSentinel, ""},
        {true, TRUNCATE_EXISTING, GENERIC_READ, false, ERROR_INVALID_PARAMETER, "old"},
        {true, 0, GENERIC_READ, false, ERROR_INVALID_PARAMETER, "old"},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const Row& row = rows[i];
        SCOPED_TRACE(i);
        DeleteFileA("C:\\d.txt");
        if (row.exists) {
            disk.writeHostFile("d.txt", "old");
        }
        SetLastError(kSentinel);
        HANDLE file = openFile("C:\\d.txt", row.access, row.disposition);
        EXPECT_EQ(file != INVALID_HANDLE_VALUE, row.opens);
        EXPECT_EQ(GetLastError(), row.error);
        CloseHandle(file);
        if (row.content != nullptr) {
            EXPECT_EQ(disk.readHostFile("d.txt"), row.content);
        } else {
            EXPECT_EQ(GetFileAttributesA("C:\\d.txt"), INVALID_FILE_ATTRIBUTES);
        }
    }
}

TEST(FileTest, ReadWriteSeekSizeAndEnd) {
    lbtest::TempDisk disk;
    HANDLE file = openFile("C:\\data.bin", GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD count = 0;
    ASSERT_TRUE(WriteFile(file, "0123456789", 10, &count, nullptr));
    EXPECT_EQ(count, 10u);
    DWORD high = 7;
    EXPECT_EQ(GetFileSize(file, &high), 10u);
    EXPECT_EQ(high, 0u);

    struct Row {
        LONG distance;
        DWORD method;
        DWORD position;
        const char* next3;
    };
    const Row rows[] = {
        {2, FILE_BEGIN, 2, "234"},    {1, FILE_CURRENT, 6, "678"}, {-4, FILE_END, 6, "678"},
        {-3, FILE_CURRENT, 6, "678"}, {10, FILE_BEGIN, 10, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.position);
        EXPECT_EQ(SetFilePointer(file, row.distance, nullptr, row.method), row.position);
        char buffer[4] = {};
        ASSERT_TRUE(ReadFile(file, buffer, 3, &count, nullptr));
        EXPECT_EQ(std::string(buffer, count), row.next3);
    }
    SetLastError(kSentinel);
    EXPECT_EQ(SetFilePointer(file, -1, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
    LONG highPart = 1;
    EXPECT_EQ(SetFilePointer(file, 0, &highPart, FILE_BEGIN), 0u);  // 4 GiB in
    EXPECT_EQ(highPart, 1);
    SetLastError(kSentinel);
    EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);  // only with the high part

    EXPECT_EQ(SetFilePointer(file, 4, nullptr, FILE_BEGIN), 4u);
    EXPECT_TRUE(SetEndOfFile(file));
    EXPECT_EQ(GetFileSize(file, nullptr), 4u);
    EXPECT_TRUE(FlushFileBuffers(file));
    CloseHandle(file);
    EXPECT_EQ(disk.readHostFile("data.bin"), "0123");
}

TEST(FileTest, AccessIsChecked) {
    lbtest::TempDisk disk;
    disk.writeHostFile("r.txt", "abc");
    HANDLE reading = openFile("C:\\r.txt", GENERIC_READ, OPEN_EXISTING);
    DWORD count = 0;
    SetLastError(kSentinel);
    EXPECT_FALSE(WriteFile(reading, "x", 1, &count, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    SetLastError(kSentinel);
    EXPECT_FALSE(SetEndOfFile(reading));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    CloseHandle(reading);
    HANDLE writing = openFile("C:\\r.txt", GENERIC_WRITE, OPEN_EXISTING);
    char buffer[4];
    SetLastError(kSentinel);
    EXPECT_FALSE(ReadFile(writing, buffer, 1, &count, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    CloseHandle(writing);
    SetLastError(kSentinel);
    EXPECT_EQ(openFile("C:\\", GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);  // a directory
}

TEST(FileTest, TheReadOnlyAttributeIsTheHostWritePermission) {
    lbtest::TempDisk disk;
    disk.writeHostFile("zu-rt.ini", "x");
    EXPECT_EQ(GetFileAttributesA("C:\\zu-rt.ini"), FILE_ATTRIBUTE_ARCHIVE);
    ASSERT_TRUE(SetFileAttributesA("C:\\ZU-RT.INI", FILE_ATTRIBUTE_READONLY));
    struct stat host;
    ASSERT_EQ(stat(disk.hostPath("zu-rt.ini").c_str(), &host), 0);
    EXPECT_EQ(host.st_mode & 0222, 0u);
    EXPECT_EQ(GetFileAttributesA("C:\\zu-rt.ini"),
              FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);

    // Refused even to a host user who could write anyway.
    struct Row {
        const char* call;
        std::function<bool()> fails;
    };
    const Row rows[] = {
        {"open for writing",
         [] {
             return openFile("C:\\zu-rt.ini", GENERIC_WRITE, OPEN_EXISTING) == INVALID_HANDLE_VALUE;
         }},
        {"create always",
         [] {
             return openFile("C:\\zu-rt.ini", GENERIC_READ, CREATE_ALWAYS) == INVALID_HANDLE_VALUE;
         }},
        {"delete", [] { return !DeleteFileA("C:\\zu-rt.ini"); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.call);
        SetLastError(kSentinel);
        EXPECT_TRUE(row.fails());
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    }
    EXPECT_EQ(readAll("C:\\zu-rt.ini"), "x");

    ASSERT_TRUE(SetFileAttributesA("C:\\zu-rt.ini", FILE_ATTRIBUTE_ARCHIVE));
    ASSERT_EQ(stat(disk.hostPath("zu-rt.ini").c_str(), &host), 0);
    EXPECT_NE(host.st_mode & S_IWUSR, 0u);
    EXPECT_TRUE(DeleteFileA("C:\\zu-rt.ini"));

    disk.writeHostFile("other.txt", "y");
    chmod(disk.hostPath("other.txt").c_str(), 0444);  // changed by another process
    EXPECT_EQ(GetFileAttributesA("c:/OTHER.TXT"), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
}

TEST(FileTest, LastWriteTimeIsTheHostModificationTime) {
    lbtest::TempDisk disk;
    disk.writeHostFile("t.txt", "x");
    // 2021-06-01 12:00:00.5 UTC, set by another process.
    timespec times[2] = {{1622548800, 500000000}, {1622548800, 500000000}};
    ASSERT_EQ(utimensat(AT_FDCWD, disk.hostPath("t.txt").c_str(), times, 0), 0);
    HANDLE file = openFile("C:\\t.txt", GENERIC_READ, OPEN_EXISTING);
    FILETIME written{};
    ASSERT_TRUE(GetFileTime(file, nullptr, nullptr, &written));
    ULONGLONG ticks =
        (static_cast<ULONGLONG>(written.dwHighDateTime) << 32) | written.dwLowDateTime;
    EXPECT_EQ(ticks, 116444736000000000ULL + 1622548800ULL * 10000000 + 5000000);
    BY_HANDLE_FILE_INFORMATION info;
    ASSERT_TRUE(GetFileInformationByHandle(file, &info));
    EXPECT_EQ(info.nFileSizeLow, 1u);
    EXPECT_EQ(info.nNumberOfLinks, 1u);
    EXPECT_EQ(info.dwFileAttributes, FILE_ATTRIBUTE_ARCHIVE);
    CloseHandle(file);
}

TEST(FileTest, DeleteMoveAndDirectories) {
    lbtest::TempDisk disk;
    disk.writeHostFile("a.txt", "a");
    disk.writeHostFile("b.txt", "b");
    SetLastError(kSentinel);
    EXPECT_FALSE(MoveFileExA("C:\\a.txt", "C:\\B.TXT", 0));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(
        MoveFileExA("C:\\a.txt", "C:\\B.TXT", MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
    EXPECT_EQ(disk.readHostFile("b.txt"), "a");  // replaced in place, keeping its spelling
    EXPECT_EQ(GetFileAttributesA("C:\\a.txt"), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(MoveFileExA("C:\\b.txt", "C:\\B.txt", 0));  // a new spelling of its own name
    EXPECT_EQ(disk.readHostFile("B.txt"), "a");

    EXPECT_TRUE(CreateDirectoryA("C:\\Zu-Rt", nullptr));
    EXPECT_TRUE(CreateDirectoryA("C:\\zu-rt\\System", nullptr));
    EXPECT_TRUE(MoveFileExA("C:\\B.txt", "C:\\ZU-RT\\SYSTEM\\moved.txt", 0));
    EXPECT_EQ(disk.readHostFile("Zu-Rt/System/moved.txt"), "a");
    EXPECT_EQ(GetFileAttributesA("C:\\zu-rt\\system"), FILE_ATTRIBUTE_DIRECTORY);

    struct Row {
        const char* call;
        std::function<bool()> fails;
        DWORD error;
    };
    const Row rows[] = {
        {"CreateDirectoryA existing", [] { return !CreateDirectoryA("C:\\ZU-RT", nullptr); },
         ERROR_ALREADY_EXISTS},
        {"CreateDirectoryA below a missing one",
         [] { return !CreateDirectoryA("C:\\no\\dir", nullptr); }, ERROR_PATH_NOT_FOUND},
        {"RemoveDirectoryA not empty", [] { return !RemoveDirectoryA("C:\\zu-rt\\system"); },
         ERROR_DIR_NOT_EMPTY},
        {"RemoveDirectoryA of a file",
         [] { return !RemoveDirectoryA("C:\\zu-rt\\system\\moved.txt"); }, ERROR_DIRECTORY},
        {"RemoveDirectoryA missing", [] { return !RemoveDirectoryA("C:\\nothing"); },
         ERROR_FILE_NOT_FOUND},
        {"DeleteFileA of a directory", [] { return !DeleteFileA("C:\\zu-rt"); },
         ERROR_ACCESS_DENIED},
        {"DeleteFileA missing", [] { return !DeleteFileA("C:\\nothing.txt"); },
         ERROR_FILE_NOT_FOUND},
        {"DeleteFileA in a missing directory", [] { return !DeleteFileA("C:\\no\\x.txt"); },
         ERROR_PATH_NOT_FOUND},
        {"MoveFileExA missing", [] { return !MoveFileExA("C:\\nothing", "C:\\x", 0); },
         ERROR_FILE_NOT_FOUND},
        {"GetFileAttributesA missing",
         [] { return GetFileAttributesA("C:\\nothing") == INVALID_FILE_ATTRIBUTES; },
         ERROR_FILE_NOT_FOUND},
        {"GetFileAttributesA with a wildcard",
         [] { return GetFileAttributesA("C:\\*.txt") == INVALID_FILE_ATTRIBUTES; },
         ERROR_INVALID_NAME},
        {"CreateFileA on a missing drive",
         [] { return openFile("Q:\\x", GENERIC_READ, OPEN_EXISTING) == INVALID_HANDLE_VALUE; },
         ERROR_PATH_NOT_FOUND},
        {"CreateFileA of a null path",
         [] { return openFile(nullptr, GENERIC_READ, OPEN_EXISTING) == INVALID_HANDLE_VALUE; },
         ERROR_INVALID_PARAMETER},
        {"ReadFile of a bogus handle",
         [] {
             DWORD count;
             char c;
             return !ReadFile(reinterpret_cast<HANDLE>(0x7777), &c, 1, &count, nullptr);
         },
         ERROR_INVALID_HANDLE},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.call);
        SetLastError(kSentinel);
        EXPECT_TRUE(row.fails());
        EXPECT_EQ(GetLastError(), row.error);
    }
    EXPECT_TRUE(DeleteFileA("c:/zu-rt/system/MOVED.TXT"));
    EXPECT_TRUE(RemoveDirectoryA("C:\\zu-rt\\system"));
    EXPECT_TRUE(RemoveDirectoryA("C:\\zu-rt"));
}

TEST(FileTest, FullPathNames) {
    lbtest::TempDisk disk;
    disk.writeHostFile("zu-rt/system/x", "");
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\zu-rt\\system"));
    struct Row {
        const char* path;
        const char* full;
        const char* filePart;  // null: none
    };
    const Row rows[] = {
        {"errlog.txt", "C:\\zu-rt\\system\\errlog.txt", "errlog.txt"},
        {"..\\..\\..\\..\\x", "C:\\x", "x"},
        {"c:/ZU-RT.INI", "C:\\ZU-RT.INI", "ZU-RT.INI"},
        {"\\a\\b\\", "C:\\a\\b\\", nullptr},
        {"C:\\", "C:\\", nullptr},
        {".", "C:\\zu-rt\\system", "system"},
        {"C:..", "C:\\zu-rt", "zu-rt"},
        {"nosuch\\*.txt", "C:\\zu-rt\\system\\nosuch\\*.txt", "*.txt"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        char buffer[MAX_PATH];
        char* filePart = buffer;
        DWORD length = GetFullPathNameA(row.path, sizeof buffer, buffer, &filePart);
        EXPECT_EQ(std::string(buffer), row.full);
        EXPECT_EQ(length, std::strlen(row.full));
        if (row.filePart == nullptr) {
            EXPECT_EQ(filePart, nullptr);
        } else {
            ASSERT_NE(filePart, nullptr);
            EXPECT_STREQ(filePart, row.filePart);
        }
    }
    char small[4];
    EXPECT_EQ(GetFullPathNameA("x.txt", sizeof small, small, nullptr),
              std::strlen("C:\\zu-rt\\system\\x.txt") + 1);
    SetLastError(kSentinel);
    EXPECT_EQ(GetFullPathNameA("", sizeof small, small, nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

}  // namespace
