#include "tools/tesselcfg/IpConfigRequest.h"

#include <gtest/gtest.h>

#include <cstring>

namespace tesselcfg {
namespace {

const MacAddress kMac{0x02, 0x00, 0x00, 0x00, 0x00, 0x07};

// A Ping reply as the controller writes it into a probe: the comment's bytes, the rest of
// the data area as the probe had it.
CommandPacket probeReply(std::uint8_t fill, const std::string& commentBytes, bool written) {
    CommandPacket p = makeCommentProbe(kMac, fill);
    p.command = rx_fwk::ACK;
    std::memcpy(p.text2, "cell-07-with-a-name-of-32-bytes!", 32);  // no terminator
    if (written) {
        std::memcpy(p.data, commentBytes.data(), commentBytes.size());
    }
    p.commentFormat = 1200;
    p.status = 11;
    p.extra = 22;
    // The live address: never to be stored back.
    p.ipAddress = 0x0A470002;
    p.subnetMask = 0xFFFFFF00;
    p.gateway = 0x0A470001;
    p.dnsAddress = 0x0A470001;
    return p;
}

TEST(IpConfigRequestTest, ReadsTheCommentBackFromTwoProbes) {
    const std::string full = std::string(63, 'c') + "\xff";
    const struct {
        const char* name;
        std::string written;  // what the controller wrote into the data area
        bool any;             // whether it wrote at all
        bool known;
        std::string comment;  // the 64 bytes to send back
    } rows[] = {
        {"empty", std::string(1, '\0'), true, true, std::string(64, '\0')},
        {"short", "AB", true, true, "AB" + std::string(62, '\0')},
        {"all 64 bytes, the last one like a fill", full, true, true, full},
        {"too long for the packet", "", false, false, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const Identity id = identityFromProbes(probeReply(0x00, row.written, row.any),
                                               probeReply(0xFF, row.written, row.any));
        EXPECT_EQ(id.commentKnown, row.known);
        if (row.known) {
            EXPECT_EQ(std::string(id.comment.begin(), id.comment.end()), row.comment);
        }
        EXPECT_EQ(std::string(id.hostName.begin(), id.hostName.end()),
                  "cell-07-with-a-name-of-32-bytes!");
        EXPECT_EQ(id.commentFormat, 1200);
        EXPECT_EQ(id.pairFirst, 11u);
        EXPECT_EQ(id.pairSecond, 22u);
    }
}

TEST(IpConfigRequestTest, SendsBackWhatStaysAndNeverThePingsAddress) {
    const Identity current =
        identityFromProbes(probeReply(0x00, "old", true), probeReply(0xFF, "old", true));
    IpChange name;
    name.hostName = "press-4";
    IpChange comment;
    comment.comment = "Line 3";
    IpChange dhcp;
    dhcp.mode = IpMode::Dhcp;
    IpChange fixed;
    fixed.mode = IpMode::Static;
    fixed.address = *parseAddressWithPrefix("10.71.0.50/24");
    fixed.gateway = 0x0A470001;
    fixed.dns = 0x08080808;
    const struct {
        const char* name;
        IpChange change;
        std::uint16_t flags;
        std::uint32_t ip, mask, gateway, dns;
        std::string hostName;  // 32 bytes
        std::string comment;   // 64 bytes
        std::uint16_t commentFormat;
    } rows[] = {
        {"set-name", name, 0x0090, 0, 0, 0, 0, "press-4" + std::string(25, '\0'),
         "old" + std::string(61, '\0'), 1200},
        {"set-comment", comment, 0x0090, 0, 0, 0, 0, "cell-07-with-a-name-of-32-bytes!",
         "Line 3" + std::string(58, '\0'), kDefaultCommentFormat},
        {"set-ip dhcp", dhcp, 0x0000, 0, 0, 0, 0, "cell-07-with-a-name-of-32-bytes!",
         "old" + std::string(61, '\0'), 1200},
        {"set-ip static", fixed, 0x0010, 0x0A470032, 0xFFFFFF00, 0x0A470001, 0x08080808,
         "cell-07-with-a-name-of-32-bytes!", "old" + std::string(61, '\0'), 1200},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const CommandPacket p = makeIpConfig(kMac, current, row.change);
        EXPECT_EQ(p.command, rx_fwk::CmdIpConfig);
        EXPECT_EQ(macOf(p), kMac);
        EXPECT_EQ(p.flags, row.flags);
        EXPECT_EQ(p.ipAddress, row.ip);
        EXPECT_EQ(p.subnetMask, row.mask);
        EXPECT_EQ(p.gateway, row.gateway);
        EXPECT_EQ(p.dnsAddress, row.dns);
        EXPECT_EQ(std::string(p.text2, sizeof p.text2), row.hostName);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(p.data), sizeof p.data), row.comment);
        EXPECT_EQ(p.commentFormat, row.commentFormat);
        EXPECT_EQ(p.status, 11u);  // the platform pair goes back as it was
        EXPECT_EQ(p.extra, 22u);
    }
}

TEST(IpConfigRequestTest, RefusesTextsThatDoNotFitOrBreakALine) {
    EXPECT_EQ(hostNameProblem(std::string(32, 'n')), "");
    EXPECT_EQ(hostNameProblem(""), "");
    EXPECT_NE(hostNameProblem(std::string(33, 'n')), "");
    EXPECT_NE(hostNameProblem("x\n[Security]"), "");
    EXPECT_EQ(commentProblem(std::string(64, 'c')), "");
    EXPECT_EQ(commentProblem("Zähler 3"), "");  // any bytes but control characters
    EXPECT_NE(commentProblem(std::string(65, 'c')), "");
    EXPECT_NE(commentProblem("a\rb"), "");
}

}  // namespace
}  // namespace tesselcfg
