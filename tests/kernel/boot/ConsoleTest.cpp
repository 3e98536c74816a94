#include "kernel/boot/Console.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "kernel/base/LastError.h"
#include "tests/support/TempDisk.h"

namespace {

COORD cursor() {
    COORD position{-1, -1};
    EXPECT_TRUE(TovGetConsoleCursor(&position));
    return position;
}

TEST(ConsoleTest, TheCursorFollowsWhatIsPrinted) {
    struct Row {
        const char* text;
        short column;
        short rows;  // moved down
    };
    const Row rows[] = {
        {"abc", 3, 0},
        {"ab\ncd", 2, 1},
        {"a\n\nb", 1, 2},
        {"\t", 8, 0},
        {"abc\tx", 9, 0},
        {"abc\b\b", 1, 0},
        {"abc\rX", 1, 0},
        {"\x1b[31mred\x1b[0m", 3, 0},
        {"\xc3\xa9t\xc3\xa9", 3, 0},
        {"abcd\x1b[2D", 2, 0},
        {"\x1b[5C", 5, 0},
        {"ab\x1b[G", 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        std::printf("\n");
        COORD start = cursor();
        EXPECT_EQ(start.X, 0);
        std::printf("%s", row.text);
        COORD end = cursor();
        EXPECT_EQ(end.X, row.column);
        EXPECT_EQ(end.Y - start.Y, row.rows);
    }
    std::printf("\n");
}

TEST(ConsoleTest, ASetPositionIsWhereOutputContinues) {
    std::printf("\nStarting up File System...");
    COORD first = cursor();
    std::printf("\nservice output\n");
    COORD second = cursor();
    EXPECT_EQ(second.Y, first.Y + 2);
    ASSERT_TRUE(TovSetConsoleCursor(first));
    std::printf("\tsucceeded.");
    COORD after = cursor();
    EXPECT_EQ(after.X, 42);  // the tab stop after 26 characters, then 10 more
    EXPECT_EQ(after.Y, first.Y);
    ASSERT_TRUE(TovSetConsoleCursor(second));
    after = cursor();
    EXPECT_EQ(after.X, second.X);
    EXPECT_EQ(after.Y, second.Y);

    SetLastError(0xdeadbeef);
    EXPECT_FALSE(TovSetConsoleCursor(COORD{-1, 0}));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(TovGetConsoleCursor(nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(ConsoleTest, ModesZeroToThreeAreKept) {
    for (int mode : {1, 3, 0}) {
        EXPECT_TRUE(TovSetConsoleMode(mode));
        EXPECT_EQ(TovGetConsoleMode(), mode);
    }
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(TovSetConsoleMode(4));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(TovGetConsoleMode(), 0);
}

// The probe image's console run: what it writes to a terminal and to a pipe.
std::string consoleBytes(bool terminal) {
    lbtest::TempDisk disk;
    disk.writeHostFile("probe.txt", "console\n");
    int output = -1;
    pid_t child;
    int pipeFds[2] = {-1, -1};
    if (terminal) {
        child = forkpty(&output, nullptr, nullptr, nullptr);
    } else {
        EXPECT_EQ(pipe(pipeFds), 0);
        child = fork();
        output = pipeFds[0];
    }
    if (child == 0) {
        if (!terminal) {
            dup2(pipeFds[1], STDOUT_FILENO);
        }
        execl(LIFEBOAT_KERNEL_PROBE, "kernel_probe", "--disk", disk.root().c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    if (!terminal) {
        close(pipeFds[1]);
    }
    std::string bytes;
    char buffer[256];
    ssize_t count;
    while ((count = read(output, buffer, sizeof buffer)) > 0) {  // EIO at the end on a pty
        bytes.append(buffer, static_cast<std::size_t>(count));
    }
    close(output);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    return bytes;
}

TEST(ConsoleTest, MovesAreRelativeSequencesOnATerminalAndNothingOnAPipe) {
    EXPECT_EQ(consoleBytes(true),
              "abc\r\x1b[1CZ\r\none\r\ntwo\r\n\x1b[2A\r\x1b[2CW\x1b[2B\rend 3 0 0 3\r\n");
    EXPECT_EQ(consoleBytes(false), "abcZ\none\ntwo\nWend 3 0 0 3\n");
}

}  // namespace
