#include "app/startup/DllLoad.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/startup/DllLoadOptions.h"
#include "app/startup/DllPreloading.h"
#include "config/ConfigManager.h"
#include "kernel/base/LastError.h"
#include "kernel/boot/DebugPrint.h"
#include "kernel/module/Module.h"
#include "tests/support/DebugCapture.h"
#include "tests/support/TempDisk.h"

namespace {

class DllLoad : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::copy_file(LIFEBOAT_PROBE_DLL, disk_.hostPath("probe.dll"));
    }
    void TearDown() override { rx_fwk::setDllLoadOptions(rx_fwk::DllLoadOptions{}); }
    lbtest::TempDisk disk_;
};

TEST_F(DllLoad, OptionsComeFromTheDebugSection) {
    const struct {
        const char* ini;
        bool print;
        bool hostFirst;
    } cases[] = {
        {"", false, false},  // the boot-information flag is 0 here
        {"[Debug]\r\nPrintDLLLoadInfo=TRUE\r\n", true, false},
        {"[debug]\r\nLoadDLLsFromHostFirst=true\r\nPrintDLLLoadInfo=1\r\n", false, true},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.ini);
        disk_.writeHostFile("zu-rt.ini", row.ini);
        auto settings = rx_fwk::ConfigManager::create("C:\\zu-rt.ini");
        const rx_fwk::DllLoadOptions options = rx_fwk::readDllLoadOptions(*settings);
        EXPECT_EQ(options.printLoadInfo, row.print);
        EXPECT_EQ(options.loadFromHostFirst, row.hostFirst);
    }
}

// With every option on: the loader prints at its raised level during the load only, the host
// file system is refused and the load goes on locally, and the load's own error survives.
TEST_F(DllLoad, TheLoadKeepsItsErrorAndPutsTheMessageLevelBack) {
    lbtest::ScopedMessageLevel level("Loader", 5);
    for (const bool print : {false, true}) {
        SCOPED_TRACE(print);
        rx_fwk::setDllLoadOptions(rx_fwk::DllLoadOptions{print, true});
        lbtest::DebugCapture capture;

        SetLastError(0xdeadbeef);
        EXPECT_EQ(rx_fwk::loadDll("C:\\nosuch.dll"), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
        EXPECT_EQ(TovMessageLevel("Loader"), 5);

        HMODULE module = rx_fwk::loadDll("probe");
        ASSERT_NE(module, nullptr) << GetLastError();
        EXPECT_EQ(TovMessageLevel("Loader"), 5);
        EXPECT_EQ(capture.screen().find("Loader: cannot load C:\\nosuch.dll") != std::string::npos,
                  print);
        EXPECT_EQ(capture.screen().find("Loader: loaded C:\\probe.dll") != std::string::npos, print)
            << capture.screen();
        EXPECT_TRUE(FreeLibrary(module));
    }
}

TEST_F(DllLoad, PreloadingLoadsTheListInOrderAndSkipsWhatFails) {
    std::filesystem::copy_file(LIFEBOAT_PROBE_DLL, disk_.hostPath("first.dll"));
    std::filesystem::copy_file(LIFEBOAT_PROBE_DLL, disk_.hostPath("second.dll"));
    disk_.writeHostFile("zu-rt.ini",
                        "[Debug]\r\nPreloadedDLLs=second.dll;missing.dll;first.dll\r\n");
    auto settings = rx_fwk::ConfigManager::create("C:\\zu-rt.ini");
    lbtest::ScopedMessageLevel level("Loader", 10);
    lbtest::DebugCapture capture;
    rx_fwk::setUpDllPreloading(*settings);

    const std::string& out = capture.screen();
    const std::size_t second = out.find("Loader: loaded C:\\second.dll");
    const std::size_t first = out.find("Loader: loaded C:\\first.dll");
    ASSERT_NE(second, std::string::npos) << out;
    ASSERT_NE(first, std::string::npos) << out;
    EXPECT_LT(second, first);
    // They stay loaded.
    for (const char* name : {"first.dll", "second.dll"}) {
        HMODULE module = GetModuleHandleA(name);
        EXPECT_NE(module, nullptr) << name;
        FreeLibrary(module);
    }
}

}  // namespace
