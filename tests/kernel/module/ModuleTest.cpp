#include "kernel/module/Module.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <string>

#include "kernel/base/LastError.h"

namespace {

std::string executableName() {
    char path[PATH_MAX] = {};
    EXPECT_GT(readlink("/proc/self/exe", path, sizeof path - 1), 0);
    return std::strrchr(path, '/') + 1;
}

TEST(ModuleTest, TheImageOutsideTheDiskIsNamedOnTheRootOfC) {
    char name[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, name, sizeof name);
    EXPECT_EQ(std::string(name), "C:\\" + executableName());
    EXPECT_EQ(length, std::strlen(name));
    EXPECT_EQ(GetModuleFileNameA(GetModuleHandleA(nullptr), name, sizeof name), length);
}

TEST(ModuleTest, ASmallBufferGetsTheNameCutAndTerminated) {
    char name[5];
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetModuleFileNameA(nullptr, name, sizeof name), sizeof name);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::string(name), ("C:\\" + executableName()).substr(0, 4));
}

TEST(ModuleTest, TheMainModuleHasAHandle) {
    EXPECT_NE(GetModuleHandleA(nullptr), nullptr);
    EXPECT_EQ(GetModuleHandleA(executableName().c_str()), GetModuleHandleA(nullptr));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetModuleHandleA("nosuch.dll"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
}

}  // namespace
