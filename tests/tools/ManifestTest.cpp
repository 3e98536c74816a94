#include "tools/tesselcfg/Manifest.h"

#include <gtest/gtest.h>

namespace tesselcfg {
namespace {

std::string problemOf(const std::string& text) {
    try {
        parseManifest(text);
    } catch (const ManifestError& e) {
        return e.what();
    }
    return "";
}

TEST(ManifestTest, CsvAndJsonGiveTheSameEntries) {
    const std::string csv =
        "\xEF\xBB\xBFMAC, HostName ,comment,ip,gateway,dns,protectReboot,Locked\r\n"
        "\r\n"
        "02:00:00:00:00:01,cell-1,\"Line 3, \"\"press\"\"\",10.0.0.5/24,10.0.0.1,,on,\r\n"
        "02-00-00-00-00-02,,,dhcp,,,,yes\r\n";
    const std::string json = R"([
        {"mac": "02:00:00:00:00:01", "hostName": "cell-1", "comment": "Line 3, \"press\"",
         "ip": "10.0.0.5/24", "gateway": "10.0.0.1", "protectReboot": true, "locked": null},
        {"MAC": "020000000002", "ip": "DHCP", "locked": "yes"}
    ])";
    for (const std::string& text : {csv, json}) {
        const auto entries = parseManifest(text);
        ASSERT_EQ(entries.size(), 2u);
        const ManifestEntry& a = entries[0];
        EXPECT_EQ(formatMac(a.mac), "02:00:00:00:00:01");
        EXPECT_EQ(a.hostName, "cell-1");
        EXPECT_EQ(a.comment, "Line 3, \"press\"");
        ASSERT_TRUE(a.ip);
        EXPECT_EQ(a.ip->mode, IpMode::Static);
        EXPECT_EQ(a.ip->address.text(), "10.0.0.5/24");
        EXPECT_EQ(dottedAddress(a.ip->gateway), "10.0.0.1");
        EXPECT_EQ(a.ip->dns, 0u);
        EXPECT_EQ(a.protectReboot, true);
        EXPECT_FALSE(a.locked);
        const ManifestEntry& b = entries[1];
        EXPECT_EQ(formatMac(b.mac), "02:00:00:00:00:02");
        EXPECT_FALSE(b.hostName);
        EXPECT_FALSE(b.comment);
        ASSERT_TRUE(b.ip);
        EXPECT_EQ(b.ip->mode, IpMode::Dhcp);
        EXPECT_FALSE(b.protectReboot);
        EXPECT_EQ(b.locked, true);
    }
    EXPECT_EQ(parseManifest(csv)[0].line, 3);
    EXPECT_EQ(parseManifest(json)[1].line, 4);
    // In JSON an empty text is a value: it clears the host name.
    EXPECT_EQ(parseManifest(R"([{"mac": "02:00:00:00:00:01", "hostName": ""}])")[0].hostName, "");
}

TEST(ManifestTest, RefusesBadInputNamingTheLine) {
    const char* mac1 = "02:00:00:00:00:01";
    const struct {
        std::string text;
        std::string problem;
    } rows[] = {
        {"mac,colour\n02:00:00:00:00:01,red\n",
         "line 1: unknown column \"colour\" (known: mac, hostName, comment, ip, gateway, dns, "
         "protectReboot, locked)"},
        {"[\n {\"mac\": \"02:00:00:00:00:01\",\n  \"color\": \"red\"}\n]",
         "line 3: unknown key \"color\""},
        {"mac,hostName,MAC\n02:00:00:00:00:01,a,02:00:00:00:00:02\n",
         "line 1: column \"mac\" given twice"},
        {"[{\"mac\": \"02:00:00:00:00:01\",\n \"hostName\": \"a\",\n \"HOSTNAME\": \"b\"}]",
         "line 3: key \"hostName\" given twice"},
        {"mac\n\n00:11:22\n", "line 3: mac: not a MAC address: \"00:11:22\""},
        {"mac,hostName\n,cell\n", "line 2: no MAC address (mac)"},
        {"mac\n02:00:00:00:00:01\n02-00-00-00-00-01\n",
         "line 3: 02:00:00:00:00:01 is listed on line 2 already"},
        {"mac,ip\n02:00:00:00:00:01,10.0.0.300/24\n",
         "line 2: ip: not ADDRESS/PREFIX (for example 10.0.0.5/24): 10.0.0.300/24"},
        {"mac,ip\n02:00:00:00:00:01,10.0.0.5\n", "line 2: ip: not ADDRESS/PREFIX"},
        {"mac,ip\n02:00:00:00:00:01,10.0.0.0/24\n",
         "line 2: ip: 10.0.0.0 is the network address of 10.0.0.0/24"},
        {"mac,ip,gateway\n02:00:00:00:00:01,10.0.0.5/24,10.0.1.1\n",
         "line 2: ip: the gateway 10.0.1.1 is not another address in 10.0.0.5/24"},
        {"mac,ip,dns\n02:00:00:00:00:01,10.0.0.5/24,nameserver\n",
         "line 2: ip: not an IPv4 address for the DNS server: nameserver"},
        {"mac,ip,gateway\n02:00:00:00:00:01,dhcp,10.0.0.1\n",
         "line 2: gateway: only with a static address in ip"},
        {"mac,dns\n02:00:00:00:00:01,10.0.0.1\n", "line 2: dns: only with a static address in ip"},
        {"mac,ip\n02:00:00:00:00:01,10.0.0.5/24\n02:00:00:00:00:02,10.0.0.5/16\n",
         "line 3: ip: 10.0.0.5 is given on line 2 already"},
        {"mac,hostName\n02:00:00:00:00:01," + std::string(33, 'h') + "\n",
         "line 2: hostName: the host name has 33 bytes, at most 32 fit"},
        {"[{\"mac\": \"02:00:00:00:00:01\",\n \"comment\": \"two\\nlines\"}]",
         "line 2: comment: the comment holds a control character"},
        {"mac,locked\n02:00:00:00:00:01,maybe\n",
         "line 2: locked: on or off (yes or no, true or false), not \"maybe\""},
        {"[{\"mac\": \"02:00:00:00:00:01\",\n \"protectReboot\": 1}]",
         "line 2: protectReboot: a text, true or false is needed"},
        {"mac,hostName,comment\n02:00:00:00:00:01,a\n",
         "line 2: 2 cells, the header on line 1 names 3"},
        {"mac,comment\n02:00:00:00:00:01,\"open\n", "line 2: a quote is not closed"},
        {"mac,comment\n02:00:00:00:00:01,\"a\"b\n", "line 2: text after a closing quote"},
        {"mac,comment\n02:00:00:00:00:01,a\"b\n", "line 2: a quote inside a value"},
        {"mac,,comment\n", "line 1: column 2 has no name"},
        {"\n\nmac,hostName\n", "line 3: no controller listed"},
        {"", "line 1: no header row"},
        {"[]", "line 1: no controller listed"},
        {"\n{\"mac\": \"02:00:00:00:00:01\"}", "line 2: a JSON manifest is an array"},
        {"[\n  {\"mac\": \"02:00:00:00:00:01\"},\n  \"02:00:00:00:00:02\"\n]",
         "line 3: each controller is an object"},
        {"[\n  {\"mac\": \"02:00:00:00:00:01\",}\n]", "line 2: not JSON: syntax error"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        const std::string problem = problemOf(row.text);
        EXPECT_EQ(problem.substr(0, row.problem.size()), row.problem) << problem;
    }
    EXPECT_EQ(problemOf(std::string("mac\n") + mac1 + "\n"), "");
}

}  // namespace
}  // namespace tesselcfg
