// Message levels and output switches read from section Messages of RTOS.INI on drive C:.
#include <gtest/gtest.h>

#include "kernel/boot/DebugOutput.h"
#include "kernel/boot/DebugPrint.h"
#include "kernel/profile/Profile.h"
#include "tests/support/DebugCapture.h"
#include "tests/support/TempDisk.h"

namespace {

const char* const kComponents[] = {
    "default",         "IFT",           "Rtos.Ini",  "Loader", "FileSystem.CFS",
    "Filesystem.FSAL", "TCP/IP.Device", "TCP/IP.DNS"};

// A disk whose RTOS.INI the kernel reads; the levels read from it are forgotten afterwards.
class RtosIniTest : public ::testing::Test {
protected:
    void write(const std::string& text) {
        disk_.writeHostFile("RTOS.INI", text);
        TovEnableDiskProfiles();
    }
    void TearDown() override {
        for (const char* component : kComponents) {
            TovSetMessageLevel(component, -1);
        }
    }
    lbtest::TempDisk disk_;
};

TEST_F(RtosIniTest, ComponentLevelsFallBackOnTheDefaultLevel) {
    write("[Messages]\r\ndefault=7\r\nFileSystem.CFS=40\r\nTCP/IP.DNS=0\r\n");
    const struct {
        const char* component;
        int level;
    } rows[] = {{"default", 7},         {"IFT", 7},        {"Loader", 7},
                {"FileSystem.CFS", 40}, {"TCP/IP.DNS", 0}, {"Filesystem.FSAL", 5}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.component);
        EXPECT_EQ(TovReadMessageLevel(row.component), row.level);
    }

    // Kept once read; read again only when asked to.
    write("[Messages]\r\ndefault=7\r\nFileSystem.CFS=10\r\n");
    EXPECT_EQ(TovMessageLevel("FileSystem.CFS"), 40);
    EXPECT_EQ(TovReadMessageLevel("FileSystem.CFS"), 10);
}

TEST_F(RtosIniTest, OutputSwitchesKeepTheirStateWhenAbsent) {
    lbtest::DebugCapture capture;  // puts the switches back afterwards
    write(
        "[Messages]\r\nOutput.Screen=0\r\nOutput.Custom=2\r\n[General]\r\nOutputDebugString=3\r\n");
    DebugOutput& output = DebugOutput::instance();
    output.setSwitches({true, false, true, false});
    output.readSwitches();
    output.readDebugStringMode();
    const DebugOutputSwitches read = output.switches();
    EXPECT_FALSE(read.screen);
    EXPECT_FALSE(read.host);  // absent: stays off
    EXPECT_TRUE(read.debugString);
    EXPECT_TRUE(read.custom);
    EXPECT_EQ(output.debugStringMode(), 3u);

    TovDebugPrint("routed\n");
    EXPECT_EQ(capture.screen(), "");
    EXPECT_EQ(capture.text(DebugOutputKind::DebugString), "routed\n");
}

// Two callers raising a level for a while, finishing in either order, leave it as it was.
TEST_F(RtosIniTest, RaisesAddUpAndComeOffExactly) {
    write("[Messages]\r\nLoader=6\r\n");
    TovSetMessageLevel("Loader", -1);                   // not read yet
    EXPECT_EQ(TovAddToMessageLevel("Loader", 40), 46);  // read first
    EXPECT_EQ(TovAddToMessageLevel("Loader", 40), 86);
    EXPECT_EQ(TovAddToMessageLevel("Loader", -40), 46);
    EXPECT_EQ(TovAddToMessageLevel("Loader", -40), 6);
    EXPECT_EQ(TovMessageLevel("Loader"), 6);
}

}  // namespace
