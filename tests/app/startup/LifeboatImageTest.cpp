#include "app/startup/LifeboatImage.h"

#include <gtest/gtest.h>

namespace {

TEST(LifeboatImage, NameEndsInLifeboatExeInAnyCase) {
    const std::pair<const char*, bool> rows[] = {
        {"C:\\lifeboat.exe", true},      {"C:\\SOMEWHERE\\LIFEBOAT.EXE", true},
        {"lifeboat.exe", true},          {"C:\\LifeBoat.Exe", true},
        {"ifeboat.exe", false},          {"", false},
        {"C:\\lifeboat.exe.bak", false}, {"C:\\main.exe", false},
        {"C:\\mylifeboat.exe", true},
    };
    for (const auto& [name, rescue] : rows) {
        SCOPED_TRACE(name);
        EXPECT_EQ(rx_fwk::isLifeboatModuleName(name), rescue);
    }
}

}  // namespace
