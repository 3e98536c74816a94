#include "tools/tesselcfg/NumberText.h"

#include <gtest/gtest.h>

namespace tesselcfg {
namespace {

TEST(NumberTextTest, DecimalOrHexadecimalWithinTheLimit) {
    const struct {
        const char* text;
        std::uint64_t max;
        std::optional<std::uint64_t> value;
    } rows[] = {
        {"0", 0xFFFF, 0},
        {"0123", 0xFFFF, 123},  // not octal
        {"0x1F", 0xFFFF, 0x1F},
        {"0XfFfF", 0xFFFF, 0xFFFF},
        {"65536", 0xFFFF, std::nullopt},
        {"4294967295", 0xFFFFFFFF, 0xFFFFFFFFu},
        {"4294967296", 0xFFFFFFFF, std::nullopt},
        {"99999999999999999999", 0xFFFFFFFF, std::nullopt},
        {"0x", 0xFFFF, std::nullopt},
        {"-1", 0xFFFF, std::nullopt},
        {"12a", 0xFFFF, std::nullopt},
        {"", 0xFFFF, std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(parseUnsigned(row.text, row.max), row.value);
    }
}

}  // namespace
}  // namespace tesselcfg
