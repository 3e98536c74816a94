#include "diag/CrashLog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

using nZUEmbCfg::CrashReport;

std::string hex16(std::uintptr_t value) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%016llX", static_cast<unsigned long long>(value));
    return text;
}

class CrashLog : public ::testing::Test {
protected:
    CrashLog() {
        record_.ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
        context_.Rax = 0x1111;
        context_.Rip = 0x401000;
        context_.SegCs = 0x33;
        report_.record = &record_;
        report_.context = &context_;
        report_.targetTypeName = "Generic Desktop PC";
        report_.targetCode = 0x719C;
        report_.timeKnown = true;
        report_.utc = SYSTEMTIME{2024, 5, 0, 6, 7, 8, 9, 0};
        report_.tickCount = 4242;
    }

    // A stack of 64 words; frames link from word `from` to word `to`.
    void link(int from, std::uintptr_t to, std::uintptr_t returnAddress) {
        stack_[from] = to;
        stack_[from + 1] = returnAddress;
    }
    std::uintptr_t at(int word) const { return reinterpret_cast<std::uintptr_t>(&stack_[word]); }

    void useStack() {
        std::strcpy(report_.thread.name, "Disk Cache Flush Thread");
        report_.thread.stackBase = at(0);
        report_.thread.stackSize = sizeof stack_;
    }

    std::string write() {
        char* buffer = nullptr;
        std::size_t size = 0;
        std::FILE* out = ::open_memstream(&buffer, &size);
        nZUEmbCfg::writeCrashLog(out, report_);
        std::fclose(out);
        std::string text(buffer, size);
        std::free(buffer);
        return text;
    }

    std::string callStack() {
        const std::string text = write();
        const std::size_t begin = text.find("Call Stack:\n") + 12;
        return text.substr(begin, text.find("\n\n", begin) + 1 - begin);
    }

    EXCEPTION_RECORD record_{};
    CONTEXT context_{};
    CrashReport report_{};
    std::uintptr_t stack_[64] = {};
};

TEST_F(CrashLog, LinesInTheirOrder) {
    TovModuleInfo image{};
    image.addressKnown = true;
    image.base = 0x400000;
    image.size = 0x1000;
    std::strcpy(image.name, "lifeboat.exe");
    std::strcpy(image.fileName, "/opt/lifeboat.exe");
    image.timeKnown = true;
    image.timeStamp = 1700000000;  // 2023-11-14 22:13:20 UTC
    TovModuleInfo vdso{};
    std::strcpy(vdso.name, "<system>");
    report_.modules = {image, vdso};
    report_.memory = {1 << 30, 1000 * kMemoryPageSize, 1000, 500, 7777, 4444};
    report_.saveEvents = [] { return 12; };

    const std::string expected =
        "*** BEGIN SYSTEM EXCEPTION LOG ***\n\n"
        "Target type: Generic Desktop PC\n"
        "Target code: 719C\n\n"
        "System time (UTC): 2024-05-06 07:08:09\n"
        "System tick count: 4242 ms\n\n"
        "Exception code: 0xC0000005\n\n"
        "Register contents:\n"
        "RAX = 0x0000000000001111  RBX = 0x0000000000000000  RCX = 0x0000000000000000\n"
        "RDX = 0x0000000000000000  RSI = 0x0000000000000000  RDI = 0x0000000000000000\n"
        "RBP = 0x0000000000000000  RSP = 0x0000000000000000  RIP = 0x0000000000401000\n\n"
        "CS = 0x0033  DS = 0x0000  SS = 0x0000\n"
        "ES = 0x0000  FS = 0x0000  GS = 0x0000\n\n"
        "Thread name: <unnamed>\n"
        "Thread stack base: 0x0000000000000000  stack size: 0\n\n"
        "Call Stack:\n"
        "Level  1:  Code pointer: 0x0000000000401000  Stack Base: 0x0000000000000000\n\n"
        "Loaded Modules:\n"
        "0000000000400000-0000000000400FFF lifeboat.exe (/opt/lifeboat.exe) 2023-11-14 22:13:20\n"
        "??????~???????? <system>\n\n"
        "Memory statistics:\n"
        "Total system memory:           1073741824 bytes\n"
        "Free memory:                   4096000 bytes\n"
        "Largest free block:            2048000 bytes\n"
        "Free RTOS heap memory:         7777 bytes\n"
        "Largest free RTOS heap block:  4444 bytes\n\n"
        "Saved 12 system events to eventlog.txt\n\n"
        "*** END SYSTEM EXCEPTION LOG ***\n\n";
    EXPECT_EQ(write(), expected);
}

TEST_F(CrashLog, NoTimeAndNoEventsLeaveTheirLinesOut) {
    report_.timeKnown = false;
    report_.saveEvents = [] { return 0; };
    const std::string text = write();
    EXPECT_EQ(text.find("System time"), std::string::npos);
    EXPECT_EQ(text.find("Saved"), std::string::npos);
    EXPECT_THAT(text, ::testing::HasSubstr("Largest free RTOS heap block:  0 bytes\n\n"
                                           "*** END SYSTEM EXCEPTION LOG ***\n\n"));
}

TEST_F(CrashLog, FrameWalkFollowsTheChainInsideTheStack) {
    useStack();
    context_.Rbp = at(4);
    link(4, at(10), 0xA1);
    link(10, at(20), 0xA2);
    link(20, 0, 0xA3);  // the outermost frame
    EXPECT_EQ(
        callStack(),
        "Level  1:  Code pointer: 0x0000000000401000  Stack Base: " + hex16(at(4)) + "\n" +
            "Level  2:  Code pointer: 0x00000000000000A1  Stack Base: " + hex16(at(10)) + "\n" +
            "Level  3:  Code pointer: 0x00000000000000A2  Stack Base: " + hex16(at(20)) + "\n" +
            "Level  4:  Code pointer: 0x00000000000000A3  Stack Base: 0x0000000000000000\n");
    EXPECT_THAT(write(), ::testing::HasSubstr("Thread name: Disk Cache Flush Thread\n"
                                              "Thread stack base: " +
                                              hex16(at(0)) + "  stack size: 512\n"));
}

TEST_F(CrashLog, FrameWalkStopsAtAFrameOutsideTheStack) {
    useStack();
    struct Row {
        const char* name;
        std::uintptr_t next;
    };
    const Row rows[] = {
        {"below", at(0) - 8},
        {"above", at(64)},
        // The frame's two words would end past the top.
        {"last word", at(63)},
        {"far away", 0xDEADBEEF},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        context_.Rbp = at(4);
        link(4, row.next, 0xA1);
        const std::string lines = callStack();
        EXPECT_THAT(lines, ::testing::HasSubstr("Level  2:  Code pointer: 0x00000000000000A1"));
        EXPECT_THAT(lines, ::testing::Not(::testing::HasSubstr("Level  3")));
    }
}

TEST_F(CrashLog, FrameWalkEndsAfter256Levels) {
    useStack();
    context_.Rbp = at(8);
    link(8, at(8), 0xAB);  // a frame that points to itself
    const std::string lines = callStack();
    EXPECT_THAT(lines, ::testing::HasSubstr("Level 256:"));
    EXPECT_THAT(lines, ::testing::Not(::testing::HasSubstr("Level 257:")));
}

}  // namespace
