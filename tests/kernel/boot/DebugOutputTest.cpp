// Routing of the debug print to its four outputs.
#include "kernel/boot/DebugOutput.h"

#include <gtest/gtest.h>

#include "kernel/boot/DebugPrint.h"
#include "tests/support/DebugCapture.h"

namespace {

using lbtest::DebugCapture;

TEST(DebugOutputTest, SwitchesAndLinksRouteTheText) {
    struct Row {
        const char* what;
        DebugOutputSwitches switches;
        unsigned debugStringMode;
        bool hostLink;
        bool debugChannel;
        const char* text;
        const char* screen;
        const char* host;
        const char* debugString;
        const char* custom;
    } rows[] = {
        {"all on", {}, 1, true, true, "line\r\n", "line\r\n", "line\r\n", "line\n", "line\r\n"},
        {"screen off", {false, true, true, true}, 1, true, true, "t\n", "", "t\n", "t\n", "t\n"},
        {"host off", {true, false, true, true}, 1, true, true, "t\n", "t\n", "", "t\n", "t\n"},
        {"no host link", {}, 1, false, true, "t\n", "t\n", "", "t\n", "t\n"},
        {"debug string off",
         {true, true, false, true},
         1,
         true,
         true,
         "t\n",
         "t\n",
         "t\n",
         "",
         "t\n"},
        {"custom off", {true, true, true, false}, 1, true, true, "t\n", "t\n", "t\n", "t\n", ""},
        {"all off", {false, false, false, false}, 3, true, true, "t\n", "", "", "", ""},
        {"unterminated gets one LF",
         {},
         1,
         true,
         true,
         "part ",
         "part ",
         "part ",
         "part \n",
         "part "},
        {"LF CR LF becomes one LF",
         {},
         1,
         true,
         true,
         "x\n\r\n",
         "x\n\r\n",
         "x\n\r\n",
         "x\n",
         "x\n\r\n"},
        {"an empty line is not passed", {}, 1, true, true, "\r\n", "\r\n", "\r\n", "", "\r\n"},
        {"mode 0", {}, 0, true, true, "t\n", "t\n", "t\n", "", "t\n"},
        {"mode 2 while connected", {}, 2, true, true, "t\n", "t\n", "t\n", "", "t\n"},
        {"mode 3", {}, 3, true, true, "t\n", "t\n", "t\n", "t\n", "t\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        DebugCapture capture;
        if (!row.hostLink) {
            capture.detach(DebugOutputKind::Host);
        }
        if (!row.debugChannel) {
            capture.detach(DebugOutputKind::DebugString);
        }
        DebugOutput::instance().setSwitches(row.switches);
        DebugOutput::instance().setDebugStringMode(row.debugStringMode);
        TovDebugPrint("%s", row.text);
        EXPECT_EQ(capture.screen(), row.screen);
        EXPECT_EQ(capture.text(DebugOutputKind::Host), row.host);
        EXPECT_EQ(capture.text(DebugOutputKind::DebugString), row.debugString);
        EXPECT_EQ(capture.text(DebugOutputKind::Custom), row.custom);
    }
}

TEST(DebugOutputTest, TheSetAsideLineEndReachesTheOutputsThatFollow) {
    DebugCapture capture;
    TovDebugPrint("a %d b\r\n", 42);
    EXPECT_EQ(capture.text(DebugOutputKind::DebugString), "a 42 b\n");
    EXPECT_EQ(capture.text(DebugOutputKind::Custom), "a 42 b\r\n");
}

TEST(DebugOutputTest, AnOverlongLineIsCutToTheSharedBuffer) {
    DebugCapture capture;
    const std::string longText(5000, 'x');
    TovDebugPrint("%s\n", longText.c_str());
    EXPECT_LT(capture.screen().size(), longText.size());
    EXPECT_EQ(capture.screen(), std::string(capture.screen().size(), 'x'));
}

}  // namespace
