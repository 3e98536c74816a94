// The start-up phase runner: order, counts and its lines at each message level.
#include "kernel/boot/StartupPhase.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/DebugCapture.h"

namespace {

using lbtest::DebugCapture;
using lbtest::ScopedMessageLevel;

std::vector<std::string> gCalls;

void first(DWORD phase, const char* name) {
    gCalls.push_back("first " + std::to_string(phase) + " " + (name ? name : "-"));
}
void second(DWORD, const char*) {
    gCalls.push_back("second");
}
void unnamed(DWORD, const char*) {
    gCalls.push_back("unnamed");
}
void other(DWORD, const char*) {
    gCalls.push_back("other");
}

const TovStartupStep kTable[] = {
    {2, other, "Other Phase Step"},
    {1, first, "First Step"},
    {1, unnamed, nullptr},
    {1, second, "Second Step"},
    {2, other, "After The Phase"},  // the phase's run ends at the
                                    // first entry of another
    {1, second, "Never Reached"},
    {0, nullptr, nullptr},
};

std::string address(TovStartupFunction step) {
    char text[32];
    std::snprintf(text, sizeof text, "%lx",
                  static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(step)));
    return text;
}

TEST(StartupPhaseTest, RunsThePhaseInTableOrderWithItsLinesPerLevel) {
    struct Row {
        int level;
        std::string lines;
    } rows[] = {
        {5, ""},
        {10,
         "Beginning IFT Phase `Subsystem Init'\n"
         "Finished IFT Phase `Subsystem Init', called 3 funcs\n"},
        {20,
         "Beginning IFT Phase `Subsystem Init'\n"
         "IFT `Subsystem Init': invoking First Step ... Done\n"
         "IFT `Subsystem Init': invoking " +
             address(unnamed) +
             " ... Done\n"
             "IFT `Subsystem Init': invoking Second Step ... Done\n"
             "Finished IFT Phase `Subsystem Init', called 3 funcs\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.level);
        ScopedMessageLevel level("IFT", row.level);
        DebugCapture capture;
        gCalls.clear();
        EXPECT_EQ(TovRunStartupPhase(kTable, 1, "Subsystem Init"), 3);
        EXPECT_EQ(gCalls,
                  (std::vector<std::string>{"first 1 Subsystem Init", "unnamed", "second"}));
        EXPECT_EQ(capture.screen(), row.lines);
    }
}

TEST(StartupPhaseTest, UnnamedPhasesAndPhasesWithoutEntries) {
    ScopedMessageLevel level("IFT", 20);
    DebugCapture capture;
    gCalls.clear();
    EXPECT_EQ(TovRunStartupPhase(kTable, 2, nullptr), 1);
    EXPECT_EQ(capture.screen(),
              "Beginning IFT Phase #2\n"
              "IFT #2: invoking Other Phase Step ... Done\n"
              "Finished IFT Phase #2, called 1 funcs\n");

    capture.clear();
    EXPECT_EQ(TovRunStartupPhase(kTable, 7, "Nothing"), 0);
    EXPECT_EQ(capture.screen(),
              "Beginning IFT Phase `Nothing'\n"
              "Finished IFT Phase `Nothing', called 0 funcs\n");
    EXPECT_EQ(gCalls, std::vector<std::string>{"other"});
}

}  // namespace
