#include "kernel/module/ModuleList.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(ModuleList, ImageComesFirstAndCoversItsOwnCode) {
    const std::vector<TovModuleInfo> modules = TovListModules();
    ASSERT_GE(modules.size(), 2u);
    const TovModuleInfo& image = modules.front();
    ASSERT_TRUE(image.addressKnown);
    const auto code = reinterpret_cast<std::uintptr_t>(&TovListModules);
    EXPECT_GE(code, image.base);
    EXPECT_LT(code, image.base + image.size);
    EXPECT_STRNE(image.fileName, "");
    EXPECT_TRUE(image.timeKnown);
    EXPECT_EQ(
        std::string(image.fileName).substr(std::strlen(image.fileName) - std::strlen(image.name)),
        image.name);

    bool sawC = false;
    for (const TovModuleInfo& module : modules) {
        if (std::strncmp(module.name, "libc.so", 7) == 0) {
            sawC = module.addressKnown && module.timeKnown && module.fileName[0] == '/';
        }
    }
    EXPECT_TRUE(sawC);
}

}  // namespace
