#include "tools/tesselcfg/PrintableText.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tools/tesselcfg/Output.h"

namespace tesselcfg {
namespace {

TEST(PrintableTextTest, ControlBytesAndBrokenUtf8AreShownAsEscapes) {
    const struct {
        std::string text;
        const char* shown;
    } rows[] = {
        {"ctl-01", "ctl-01"},
        {"Zürich Ω ✓", "Zürich Ω ✓"},                               // UTF-8 letters stay
        {"\x1b[2J\x1b]0;owned\x07", "\\x1B[2J\\x1B]0;owned\\x07"},  // terminal escapes
        {"a\nb\rc\td", "a\\x0Ab\\x0Dc\\x09d"},                      // no new or rewritten lines
        {"\x7f", "\\x7F"},
        {"\xc2\x9b"
         "31m",
         "\\xC2\\x9B31m"},  // C1 CSI, UTF-8 encoded
        {"\xe2\x80\xae"
         "gnp.exe",
         "\\xE2\\x80\\xAEgnp.exe"},           // right-to-left override
        {"\xff\xfe", "\\xFF\\xFE"},           // no UTF-8 at all
        {"\xc3", "\\xC3"},                    // cut sequence
        {"\xc0\xaf", "\\xC0\\xAF"},           // overlong '/'
        {"\xed\xa0\x80", "\\xED\\xA0\\x80"},  // surrogate
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(printable(row.text), row.shown);
        EXPECT_TRUE(isPrintableOutput(printable(row.text) + "\n"));
    }
    EXPECT_FALSE(isPrintableOutput("a\x1b"));
    EXPECT_FALSE(isPrintableOutput("\xc2\x85"));
}

// What a controller reports in its texts reaches a person's terminal only escaped.
TEST(PrintableTextTest, ReportsOfHostileRepliesAreEscaped) {
    CommandPacket reply{};
    const char state[] = "Running\x1b[8m\nhalt on error: no";
    std::memcpy(reply.text1, state, sizeof state);
    const char value[] = "\x1b]52;c;ZWNobyBvd25lZA==\x07";
    std::memcpy(reply.data, value, sizeof value);

    EXPECT_EQ(stateReport(reply),
              "Running\\x1B[8m\\x0Ahalt on error: no\nhalt on error: no\nreboot protected: no\n");
    EXPECT_EQ(attributeReport(reply), "\\x1B]52;c;ZWNobyBvd25lZA==\\x07\n");

    Controller c = decodePing(reply);
    c.hostName = "evil\r\x1b[1A";
    c.targetType = "\x9b";
    c.state = "\x1b[H";
    const std::string table = controllerTable({c});
    EXPECT_TRUE(isPrintableOutput(table)) << table;
    EXPECT_NE(table.find("evil\\x0D\\x1B[1A"), std::string::npos) << table;
}

}  // namespace
}  // namespace tesselcfg
