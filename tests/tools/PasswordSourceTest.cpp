#include "tools/tesselcfg/PasswordSource.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

namespace tesselcfg {
namespace {

TEST(PasswordSourceTest, TakesTheFirstLineOfAFile) {
    const struct {
        std::string content;
        std::optional<std::string> password;  // none: refused
    } rows[] = {
        {"geheim\n", "geheim"},
        {"geheim\r\nsecond line\n", "geheim"},
        {"no line end", "no line end"},
        {" blanks kept \n", " blanks kept "},
        {"\nafter an empty line\n", std::nullopt},
        {"", std::nullopt},
        {std::string(5000, 'x'), std::nullopt},
    };
    const std::string path = ::testing::TempDir() + "/tesselcfg-password";
    for (const auto& row : rows) {
        SCOPED_TRACE(row.content.substr(0, 40));
        std::ofstream(path, std::ios::binary) << row.content;
        PasswordSource source;
        source.file = path;
        if (row.password) {
            EXPECT_EQ(readPassword(source, "", Confirm::Once), *row.password);
        } else {
            EXPECT_THROW(readPassword(source, "", Confirm::Once), PasswordError);
        }
    }
    std::remove(path.c_str());
    PasswordSource missing;
    missing.file = path + "-missing";
    EXPECT_THROW(readPassword(missing, "", Confirm::Once), PasswordError);
}

}  // namespace
}  // namespace tesselcfg
