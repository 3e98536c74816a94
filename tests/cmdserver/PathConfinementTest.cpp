// Every way a network command, a DLL load or a file call could leave drive C:, as one table:
// each path is tried with every operation on a fresh disk beside a host directory that
// holds what an escape would reach. Nothing there may be read, changed, listed or loaded.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>

#include "kernel/base/Handle.h"
#include "kernel/base/LastError.h"
#include "kernel/fs/Environment.h"
#include "kernel/fs/File.h"
#include "kernel/module/Module.h"
#include "tests/cmdserver/commands/HandlerTest.h"
#include "tests/support/TempDisk.h"

namespace rx_fwk {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kPathOffset = 28, kStatus = 174;
constexpr char kMarker[] = "outside-marker.txt";
// A row whose file is a DLL of the test's own inside the drive: reading it is fine.
constexpr char kInsideDll[] = "(a DLL inside the drive)";

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// What an open yielded, read and closed; false when it did not open.
bool readAndClose(HANDLE file, std::string& read) {
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    char buffer[4096];
    DWORD got = 0;
    ReadFile(file, buffer, sizeof buffer, &got, nullptr);
    read.assign(buffer, got);
    CloseHandle(file);
    return true;
}

std::string repeated(const std::string& text, int times) {
    std::string all;
    for (int i = 0; i < times; ++i) {
        all += text;
    }
    return all;
}

// What a host directory holds, links not followed; link counts and change times left out,
// as a name made or removed inside the drive changes those of a hard-linked file.
using Snapshot = std::map<std::string, std::tuple<int, unsigned, std::string, long long>>;

Snapshot snapshot(const std::string& root) {
    Snapshot taken;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        struct stat status {};
        lstat(entry.path().c_str(), &status);
        const std::string bytes = S_ISREG(status.st_mode) ? fileBytes(entry.path()) : "";
        taken[entry.path().string()] = std::make_tuple(
            int(status.st_mode & S_IFMT), unsigned(status.st_mode & 07777), bytes,
            (long long)status.st_mtim.tv_sec * 1000000000LL + status.st_mtim.tv_nsec);
    }
    return taken;
}

class PathConfinement : public HandlerTest {
protected:
    void SetUp() override {
        HandlerTest::SetUp();
        outside_ = disk_.root() + "-outside";
        outsideName_ = fs::path(outside_).filename().string();
        // What an escape would reach: a loadable DLL (its bytes are the "secret") and a name
        // that must never be listed.
        fs::create_directories(outside_ + "/dir");
        fs::copy_file(LIFEBOAT_PROBE_DLL, outside_ + "/secret.dll");
        fs::copy_file(LIFEBOAT_PROBE_DLL, outside_ + "/dir/secret.dll");
        std::ofstream(outside_ + "/" + kMarker) << "marker";
        fs::permissions(outside_ + "/secret.dll", fs::perms(0644));
        secret_ = fileBytes(outside_ + "/secret.dll");
        before_ = snapshot(outside_);
    }
    void TearDown() override {
        SetCurrentDirectoryA("C:\\");
        clearDisk();
        fs::remove_all(outside_);
        HandlerTest::TearDown();
    }

    // Everything the rows made on the disk goes; the settings file stays.
    void clearDisk() {
        for (const auto& entry : fs::recursive_directory_iterator(disk_.root())) {
            if (entry.is_directory(ignored_) && !entry.is_symlink(ignored_)) {
                fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add,
                                ignored_);
            }
        }
        for (const auto& entry : fs::directory_iterator(disk_.root())) {
            if (entry.path().filename() != "zu-rt.ini") {
                fs::remove_all(entry.path(), ignored_);
            }
        }
    }

    // The disk every row starts from: decoys inside, which a clamped path reaches instead.
    void freshDisk() {
        clearDisk();
        disk_.writeHostFile("secret.dll", "INSIDE root");
        disk_.writeHostFile("dir/secret.dll", "INSIDE dir");
        disk_.writeHostFile("plain.txt", "INSIDE plain");
    }

    void link(const std::string& target, const std::string& name) {
        fs::create_directories(fs::path(disk_.hostPath(name)).parent_path());
        ASSERT_EQ(symlink(target.c_str(), disk_.hostPath(name).c_str()), 0) << name;
    }

    bool chmodCommand(const std::string& path, std::uint32_t status) {
        auto bytes = request(CmdChmod);
        std::fill(bytes.begin() + kPathOffset, bytes.begin() + kStatus, 0);
        std::copy(path.begin(), path.begin() + std::min(path.size(), kStatus - kPathOffset - 1),
                  bytes.begin() + kPathOffset);
        for (int i = 0; i < 4; ++i) {
            bytes[kStatus + i] = static_cast<std::uint8_t>(status >> (24 - 8 * i));
        }
        auto reply = ask(bytes);
        return reply && reply->command == ACK;
    }

    lbtest::TempDisk disk_;
    std::string outside_;
    std::string outsideName_;
    std::string secret_;
    Snapshot before_;
    std::error_code ignored_;
};

struct Row {
    Row(const char* what, std::string path, const char* reads,
        std::function<void()> setup = nullptr, bool mayFail = false, DWORD loadError = 0,
        int rounds = 1, std::function<void(std::atomic<bool>&)> meanwhile = nullptr)
        : what(what),
          path(std::move(path)),
          reads(reads),
          setup(std::move(setup)),
          mayFail(mayFail),
          loadError(loadError),
          rounds(rounds),
          meanwhile(std::move(meanwhile)) {}

    const char* what;
    std::string path;  // may hold a NUL: the calls take what comes before it
    // What reading the path gives: the bytes of a file inside the drive, nullptr when it
    // must not open, kInsideDll for a DLL of the row's own.
    const char* reads;
    std::function<void()> setup;                        // on the host, before the operation
    bool mayFail;                                       // a race: reading may also fail
    DWORD loadError;                                    // the loader's error, when it matters
    int rounds;                                         // how often every operation is tried
    std::function<void(std::atomic<bool>&)> meanwhile;  // runs on a thread during the row
};

TEST_F(PathConfinement, NoPathLeavesDriveC) {
    struct IgnoredSigpipe {
        IgnoredSigpipe() : previous(std::signal(SIGPIPE, SIG_IGN)) {}
        ~IgnoredSigpipe() { std::signal(SIGPIPE, previous); }
        void (*previous)(int);
    } ignoredSigpipe;
    const std::string out = outside_;       // host path of the neighbour
    const std::string name = outsideName_;  // its name beside the disk
    std::string outBackslashed = out;
    std::replace(outBackslashed.begin(), outBackslashed.end(), '/', '\\');
    const std::string deep = repeated("..\\", 2000);

    const Row rows[] = {
        // ".." at and below the root
        {"dot-dot at the root", "C:\\..\\secret.dll", "INSIDE root"},
        {"dot-dot below the root", "C:\\dir\\..\\..\\..\\secret.dll", "INSIDE root"},
        {"dot-dot to the neighbour", "C:\\..\\" + name + "\\secret.dll", nullptr},
        {"relative dot-dot", "..\\..\\" + name + "\\dir\\secret.dll", nullptr},
        {"forward slashes", "C:/dir/../../" + name + "/secret.dll", nullptr},
        {"drive-relative dot-dot", "C:..\\..\\secret.dll", "INSIDE root"},
        // absolute host paths, with and without a drive letter
        {"host path", out + "/secret.dll", nullptr},
        {"host path with a drive", "C:" + outBackslashed + "\\secret.dll", nullptr},
        {"host path doubled separators", "//" + out + "//secret.dll", nullptr},
        // other drives and namespaces
        {"another drive", "D:\\secret.dll", nullptr},
        {"another drive relative", "Z:..\\..\\" + name + "\\secret.dll", nullptr},
        {"the archive drive", "B:\\..\\..\\" + name + "\\secret.dll", nullptr},
        {"UNC name", "\\\\host\\share\\..\\..\\" + name + "\\secret.dll", nullptr},
        {"device namespace", "\\\\.\\C:\\..\\" + name + "\\secret.dll", nullptr},
        {"long-path namespace", "\\\\?\\" + outBackslashed + "\\secret.dll", nullptr},
        {"physical drive", "\\\\.\\PhysicalDrive0", nullptr},
        // symbolic links
        {"absolute link to a file outside", "C:\\abs.dll", nullptr,
         [&] { link(out + "/secret.dll", "abs.dll"); }},
        {"absolute link to a directory outside", "C:\\out\\secret.dll", nullptr,
         [&] { link(out, "out"); }},
        {"relative link up and out", "C:\\dir\\rel.dll", nullptr,
         [&] { link("../../" + name + "/secret.dll", "dir/rel.dll"); }},
        {"relative link to a directory outside", "C:\\up\\" + name + "\\dir\\secret.dll", nullptr,
         [&] { link("../../../../../../../..", "up"); }},
        {"chained links", "C:\\one.dll", nullptr,
         [&] {
             link("dir/two.dll", "one.dll");
             link("../three", "dir/two.dll");
             link(out + "/secret.dll", "three");
         }},
        {"link to /proc", "C:\\proc\\self\\root" + outBackslashed + "\\secret.dll", nullptr,
         [&] { link("/proc", "proc"); }},
        {"link to a process root", "C:\\root" + outBackslashed + "\\secret.dll", nullptr,
         [&] { link("/proc/self/root", "root"); }},
        {"link to an open descriptor", "C:\\fd.dll", nullptr,
         [&] {
             static int held = ::open(out.c_str(), O_PATH | O_CLOEXEC);
             link("/proc/self/fd/" + std::to_string(held) + "/secret.dll", "fd.dll");
         }},
        {"link to the host root", "C:\\top" + outBackslashed + "\\secret.dll", nullptr,
         [&] { link("/", "top"); }},
        {"absolute link stays on the drive", "C:\\rooted.dll", "INSIDE root",
         [&] { link("/secret.dll", "rooted.dll"); }},
        // names the host gives a meaning of their own
        {"hard link already present", "C:\\hard.dll", nullptr,
         [&] {
             ASSERT_EQ(::link((out + "/secret.dll").c_str(), disk_.hostPath("hard.dll").c_str()),
                       0);
         }},
        {"FIFO", "C:\\fifo.dll", nullptr,
         [&] { ASSERT_EQ(mkfifo(disk_.hostPath("fifo.dll").c_str(), 0666), 0); }},
        {"device node", "C:\\null.dll", nullptr,
         [&] {
             // Only a privileged host user can make one; the FIFO stands for it otherwise.
             if (mknod(disk_.hostPath("null.dll").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
                 ASSERT_EQ(mkfifo(disk_.hostPath("null.dll").c_str(), 0666), 0);
             }
         }},
        // device-like names are names on the drive
        {"NUL", "C:\\NUL", nullptr},
        {"CON below a directory", "C:\\dir\\CON\\..\\secret.dll", "INSIDE dir"},
        {"COM1 with an extension", "C:\\COM1.dll", nullptr},
        {"CONIN$", "CONIN$", nullptr},
        {"dev path on the drive", "C:\\dev\\null", nullptr},
        // trailing dots and spaces
        {"trailing dot", "C:\\dir.\\secret.dll.", "INSIDE dir"},
        {"trailing spaces", "C:\\dir \\secret.dll  ", "INSIDE dir"},
        {"dots and spaces only", "C:\\... \\. .\\secret.dll", "INSIDE root"},
        {"dot-dot with a space", "C:\\dir\\.. \\..\\" + name + "\\secret.dll", nullptr},
        {"link behind a trailing dot", "C:\\out.\\secret.dll", nullptr, [&] { link(out, "out"); }},
        // overlong paths
        {"many dot-dots", "C:\\" + deep + name + "\\secret.dll", nullptr},
        {"long but short once resolved", "C:\\" + repeated("dir\\..\\", 60) + "secret.dll",
         "INSIDE root"},
        {"longer than MAX_PATH", "C:\\dir\\" + repeated("x\\", 150) + "secret.dll", nullptr},
        {"a name longer than the host allows", "C:\\" + std::string(300, 'n') + ".dll", nullptr},
        // embedded NUL
        {"NUL before an escape", std::string("C:\\secret.dll\0\\..\\..\\", 21) + name,
         "INSIDE root"},
        // DLLs that would take a library from outside
        {"DLL naming a library by path", "C:\\needs_path.dll", kInsideDll,
         [&] { fs::copy_file(LIFEBOAT_NEEDS_PATH_DLL, disk_.hostPath("needs_path.dll")); }, true,
         ERROR_ACCESS_DENIED},
        {"DLL with a search path", "C:\\needs_search_path.dll", kInsideDll,
         [&] {
             fs::copy_file(LIFEBOAT_NEEDS_SEARCH_PATH_DLL, disk_.hostPath("needs_search_path.dll"));
         },
         true, ERROR_ACCESS_DENIED},
        // a link swapped in between check and use
        {"file swapped for a link", "C:\\swap.dll", "INSIDE swap",
         [&] { disk_.writeHostFile("swap.dll", "INSIDE swap"); }, true, 0, 40,
         [this, out](std::atomic<bool>& stop) {
             // A fresh file and a link to the secret take turns under the name.
             const std::string target = disk_.hostPath("swap.dll");
             const std::string next = target + ".next";
             while (!stop) {
                 ::symlink((out + "/secret.dll").c_str(), next.c_str());
                 std::rename(next.c_str(), target.c_str());
                 std::ofstream(next) << "INSIDE swap";
                 std::rename(next.c_str(), target.c_str());
             }
         }},
        {"directory swapped for a link", "C:\\swapdir\\secret.dll", "INSIDE swapdir",
         [&] {
             disk_.writeHostFile("swapdir/secret.dll", "INSIDE swapdir");
             link(out, "swapdir.link");
         },
         true, 0, 40,
         [this](std::atomic<bool>& stop) {
             const std::string real = disk_.hostPath("swapdir");
             const std::string link = disk_.hostPath("swapdir.link");
             while (!stop) {
                 ::renameat2(AT_FDCWD, real.c_str(), AT_FDCWD, link.c_str(), RENAME_EXCHANGE);
             }
         }},
    };

    // Each operation answers whether it succeeded; a read also tells what it read.
    struct Operation {
        const char* what;
        std::function<bool(const Row&, std::string& read)> run;
    };
    const Operation operations[] = {
        {"read",
         [](const Row& row, std::string& read) {
             HANDLE file =
                 CreateFileA(row.path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
             return readAndClose(file, read);
         }},
        {"write",
         [](const Row& row, std::string&) {
             HANDLE file =
                 CreateFileA(row.path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
             DWORD written = 0;
             const bool opened = file != INVALID_HANDLE_VALUE;
             if (opened) {
                 WriteFile(file, "WRITTEN", 7, &written, nullptr);
                 CloseHandle(file);
             }
             return opened;
         }},
        {"truncate",
         [](const Row& row, std::string&) {
             HANDLE file = CreateFileA(row.path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       0, nullptr);
             CloseHandle(file);
             return file != INVALID_HANDLE_VALUE;
         }},
        {"attributes",
         [](const Row& row, std::string&) {
             // Left read-only: a file outside changed and put back would go unnoticed.
             return SetFileAttributesA(row.path.c_str(), FILE_ATTRIBUTE_READONLY);
         }},
        {"delete", [](const Row& row, std::string&) { return DeleteFileA(row.path.c_str()); }},
        {"move away",
         [](const Row& row, std::string&) {
             return MoveFileExA(row.path.c_str(), "C:\\moved.dll", MOVEFILE_REPLACE_EXISTING);
         }},
        {"move onto",
         [](const Row& row, std::string&) {
             return MoveFileExA("C:\\plain.txt", row.path.c_str(), MOVEFILE_REPLACE_EXISTING);
         }},
        {"directory",
         [](const Row& row, std::string&) {
             const bool made = CreateDirectoryA(row.path.c_str(), nullptr);
             RemoveDirectoryA(row.path.c_str());
             return made;
         }},
        {"current directory",
         [](const Row& row, std::string& read) {
             // Through the parent as the current directory, the file opened by its bare name.
             const std::string parent = row.path.substr(0, row.path.find_last_of("\\/") + 1);
             if (parent.empty() || !SetCurrentDirectoryA(parent.c_str())) {
                 return false;
             }
             const std::string leaf = row.path.substr(parent.size());
             HANDLE file =
                 CreateFileA(leaf.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
             SetCurrentDirectoryA("C:\\");
             return readAndClose(file, read);
         }},
        {"find",
         [](const Row& row, std::string& read) {
             // Listing the path and what it holds; every name seen is "read".
             for (const std::string& pattern : {row.path, row.path + "\\*", row.path + "\\..\\*"}) {
                 WIN32_FIND_DATAA data;
                 HANDLE search = FindFirstFileA(pattern.c_str(), &data);
                 if (search == INVALID_HANDLE_VALUE) {
                     continue;
                 }
                 do {
                     read += std::string(data.cFileName) + "\n";
                 } while (FindNextFileA(search, &data));
                 FindClose(search);
             }
             return false;
         }},
        {"load",
         [](const Row& row, std::string&) {
             HMODULE module = LoadLibraryA(row.path.c_str());
             if (module != nullptr) {
                 FreeLibrary(module);
             }
             return module != nullptr;
         }},
        {"chmod command",
         [this](const Row& row, std::string&) { return chmodCommand(row.path, 1); }},
    };

    for (const Row& row : rows) {
        for (const Operation& operation : operations) {
            SCOPED_TRACE(std::string(row.what) + " / " + operation.what + ": " + row.path.c_str());
            freshDisk();
            if (row.setup) {
                row.setup();
            }
            if (HasFatalFailure()) {
                return;
            }
            std::atomic<bool> stop{false};
            std::thread meanwhile;
            if (row.meanwhile) {
                meanwhile = std::thread(row.meanwhile, std::ref(stop));
            }
            // A FIFO opened for reading would wait for a writer for ever: a watchdog
            // supplies one late, and the row fails rather than hangs.
            // A FIFO opened for reading (or writing) would wait for the other end for ever:
            // a watchdog opens it late and closes it again, and the row fails rather than
            // hangs (a write to it then fails instead of raising SIGPIPE).
            std::atomic<bool> done{false};
            std::thread watchdog([&] {
                for (int i = 0; i < 40 && !done; ++i) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                }
                if (!done) {
                    ADD_FAILURE() << "blocked";
                    for (const char* fifo : {"fifo.dll", "null.dll"}) {
                        int end = ::open(disk_.hostPath(fifo).c_str(), O_RDWR | O_NONBLOCK);
                        if (end >= 0) {
                            ::close(end);
                        }
                    }
                }
            });
            for (int round = 0; round < row.rounds; ++round) {
                std::string read;
                SetLastError(0xdeadbeef);
                const bool succeeded = operation.run(row, read);
                const DWORD error = GetLastError();
                EXPECT_NE(read, secret_) << "read a file outside the drive";
                EXPECT_EQ(read.find(kMarker), std::string::npos) << "listed a name outside";
                if (row.reads != kInsideDll) {
                    EXPECT_EQ(read.find("\x7f"
                                        "ELF"),
                              std::string::npos)
                        << "read a DLL outside";
                }
                if (std::string(operation.what) == "read" && row.reads != kInsideDll) {
                    if (row.reads == nullptr) {
                        EXPECT_FALSE(succeeded) << read.size() << " bytes";
                    } else if (succeeded || !row.mayFail) {
                        EXPECT_TRUE(succeeded) << error;
                        EXPECT_EQ(read, row.reads);
                    }
                }
                if (std::string(operation.what) == "load") {
                    EXPECT_FALSE(succeeded) << "loaded a DLL from outside the drive";
                    if (row.loadError != 0) {
                        EXPECT_EQ(error, row.loadError);
                    }
                }
            }
            done = true;
            watchdog.join();
            stop = true;
            if (meanwhile.joinable()) {
                meanwhile.join();
            }
            EXPECT_TRUE(snapshot(outside_) == before_) << "changed a host file outside the drive";
            if (snapshot(outside_) != before_) {
                // Put the neighbour back, so that the next rows are judged on their own.
                fs::remove_all(outside_);
                fs::create_directories(outside_ + "/dir");
                fs::copy_file(LIFEBOAT_PROBE_DLL, outside_ + "/secret.dll");
                fs::copy_file(LIFEBOAT_PROBE_DLL, outside_ + "/dir/secret.dll");
                std::ofstream(outside_ + "/" + kMarker) << "marker";
                fs::permissions(outside_ + "/secret.dll", fs::perms(0644));
                before_ = snapshot(outside_);
            }
        }
    }
}

}  // namespace
}  // namespace rx_fwk
