#include "app/services/JoinPath.h"

#include <gtest/gtest.h>

namespace rx_fwk {
namespace {

TEST(JoinPathTest, Cases) {
    struct Row {
        const char* name;
        const char* directory;
        const char* joined;
    };
    const Row rows[] = {
        {"nvdata.bin", "C:/zu-rt/system/", "C:\\zu-rt\\system\\\\nvdata.bin"},
        {"\\nvdata.bin", "C:\\zu-rt\\system", "C:\\zu-rt\\\\nvdata.bin"},
        {"a/b.txt", "C:\\dir\\file.ext", "C:\\dir\\\\a\\b.txt"},
        {"", "C:\\", "C:\\\\"},
        {"x", "nodirectory", "\\x"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string name = row.name;
        joinPath(name, row.directory);
        EXPECT_EQ(name, row.joined);
    }
}

}  // namespace
}  // namespace rx_fwk
