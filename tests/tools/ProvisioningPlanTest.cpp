#include "tools/tesselcfg/ProvisioningPlan.h"

#include <gtest/gtest.h>

#include <cstring>

namespace tesselcfg {
namespace {

const MacAddress kA{0x02, 0, 0, 0, 0, 0x01};
const MacAddress kB{0x02, 0, 0, 0, 0, 0x02};
const MacAddress kC{0x02, 0, 0, 0, 0, 0x03};

Reported reported(const MacAddress& mac, const std::string& name, const std::string& comment,
                  bool locked, bool protectReboot = false) {
    Reported r;
    r.ping.mac = mac;
    r.ping.ip = "10.0.0." + std::to_string(mac[5] + 10);
    r.ping.hostName = name;
    r.ping.locked = locked;
    std::memcpy(r.identity.comment.data(), comment.data(), comment.size());
    r.protectReboot = protectReboot;
    return r;
}

ManifestEntry entryFor(const MacAddress& mac) {
    ManifestEntry e;
    e.mac = mac;
    e.line = 2;
    return e;
}

IpChange staticAddress(std::uint32_t address) {
    IpChange ip;
    ip.mode = IpMode::Static;
    ip.address = Ipv4Subnet{address, 0xFFFFFF00};
    return ip;
}

ControllerPlan planOf(const ManifestEntry& entry, const Reported& now, bool force = false) {
    const Plan plan = makePlan({entry}, {{entry.mac, now}}, {now.ping}, force);
    EXPECT_EQ(plan.controllers.size(), 1u);
    return plan.controllers.front();
}

TEST(ProvisioningPlanTest, SendsWhatDiffersAndWhatCannotBeReadBack) {
    const struct {
        const char* name;
        std::optional<std::string> hostName, comment;
        std::optional<IpChange> ip;
        std::optional<bool> protectReboot, locked;
        Reported now;
        bool ipConfig;
        std::optional<bool> sendProtection;
        bool unlock, lock;
        const char* blocked;  // start of the reason, empty when not blocked
    } rows[] = {
        {"all as wanted",
         "cell",
         "line",
         {},
         false,
         false,
         reported(kA, "cell", "line", false),
         false,
         {},
         false,
         false,
         ""},
        {"another name",
         "cell-2",
         "line",
         {},
         {},
         {},
         reported(kA, "cell", "line", false),
         true,
         {},
         false,
         false,
         ""},
        {"IP settings are sent each time",
         "cell",
         {},
         staticAddress(0x0A000005),
         {},
         {},
         reported(kA, "cell", "", false),
         true,
         {},
         false,
         false,
         ""},
        {"protection only",
         {},
         {},
         {},
         true,
         {},
         reported(kA, "", "", false),
         false,
         true,
         false,
         false,
         ""},
        {"locked, a change: unlocked and locked again",
         "cell-2",
         {},
         {},
         {},
         {},
         reported(kA, "cell", "", true),
         true,
         {},
         true,
         true,
         ""},
        {"locked, nothing to change",
         "cell",
         {},
         {},
         false,
         true,
         reported(kA, "cell", "", true),
         false,
         {},
         false,
         false,
         ""},
        {"locked, to be unlocked",
         {},
         {},
         {},
         {},
         false,
         reported(kA, "", "", true),
         false,
         {},
         true,
         false,
         ""},
        {"to be locked",
         {},
         {},
         {},
         {},
         true,
         reported(kA, "", "", false),
         false,
         {},
         false,
         true,
         ""},
        {"changes, then unlocked",
         {},
         {},
         {},
         true,
         false,
         reported(kA, "", "", true),
         false,
         true,
         true,
         false,
         ""},
        {"another controller answers on the address",
         {},
         {},
         staticAddress(0x0A00000C),
         {},
         {},
         reported(kA, "", "", false),
         true,
         {},
         false,
         false,
         "controller 02:00:00:00:00:02"},
    };
    const Reported other = reported(kB, "", "", false);  // answers on 10.0.0.12
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ManifestEntry entry = entryFor(kA);
        entry.hostName = row.hostName;
        entry.comment = row.comment;
        entry.ip = row.ip;
        entry.protectReboot = row.protectReboot;
        entry.locked = row.locked;
        const Plan plan = makePlan({entry}, {{kA, row.now}}, {row.now.ping, other.ping}, false);
        ASSERT_EQ(plan.controllers.size(), 1u);
        const ControllerPlan& c = plan.controllers.front();
        EXPECT_EQ(c.ipConfig.has_value(), row.ipConfig);
        EXPECT_EQ(c.protectReboot, row.sendProtection);
        EXPECT_EQ(c.unlock, row.unlock);
        EXPECT_EQ(c.lock, row.lock);
        EXPECT_EQ(c.blocked.substr(0, std::strlen(row.blocked)), row.blocked);
        EXPECT_EQ(plan.needsPassword(), c.changes() && (row.unlock || row.lock));
        EXPECT_EQ(plan.setsPassword(), c.changes() && row.lock && !row.now.ping.locked);
        if (c.ipConfig) {
            // What the row leaves out goes back as the controller has it.
            EXPECT_EQ(c.ipConfig->hostName.has_value(),
                      row.hostName && *row.hostName != row.now.ping.hostName);
            EXPECT_EQ(c.ipConfig->mode, row.ip ? row.ip->mode : IpMode::Keep);
        }
    }
}

TEST(ProvisioningPlanTest, ACommentThatCannotBeReadBackMustBeGiven) {
    Reported now = reported(kA, "cell", "", false);
    now.identity.commentKnown = false;
    ManifestEntry entry = entryFor(kA);
    entry.hostName = "cell-2";
    EXPECT_EQ(planOf(entry, now).blocked.substr(0, 25), "its comment is too long t");
    entry.comment = "new";
    const ControllerPlan c = planOf(entry, now);
    EXPECT_EQ(c.blocked, "");
    EXPECT_FALSE(c.items[1].now);
    EXPECT_EQ(c.items[1].state, ItemState::Change);
    entry.hostName.reset();
    entry.comment.reset();
    entry.protectReboot = true;
    EXPECT_EQ(planOf(entry, now).blocked, "");  // IpConfig is not sent
}

TEST(ProvisioningPlanTest, ForceStoresAnAddressAnotherControllerAnswersOn) {
    ManifestEntry entry = entryFor(kA);
    entry.ip = staticAddress(0x0A00000C);
    const Reported now = reported(kA, "", "", false);
    const Reported other = reported(kB, "", "", false);
    EXPECT_NE(makePlan({entry}, {{kA, now}}, {now.ping, other.ping}, false).controllers[0].blocked,
              "");
    EXPECT_EQ(makePlan({entry}, {{kA, now}}, {now.ping, other.ping}, true).controllers[0].blocked,
              "");
    // Its own address is no conflict.
    entry.ip = staticAddress(0x0A00000B);
    EXPECT_EQ(planOf(entry, now).blocked, "");
}

TEST(ProvisioningPlanTest, SilentAndUnlistedControllers) {
    const Reported a = reported(kA, "", "", false);
    const Reported c = reported(kC, "", "", false);
    const Plan plan = makePlan({entryFor(kA), entryFor(kB)}, {{kA, a}}, {a.ping, c.ping}, false);
    ASSERT_EQ(plan.controllers.size(), 1u);
    EXPECT_EQ(plan.controllers[0].entry.mac, kA);
    ASSERT_EQ(plan.silent.size(), 1u);
    EXPECT_EQ(plan.silent[0].mac, kB);
    ASSERT_EQ(plan.unlisted.size(), 1u);
    EXPECT_EQ(plan.unlisted[0].mac, kC);
}

TEST(ProvisioningPlanTest, DifferencesAfterApplying) {
    ManifestEntry entry = entryFor(kA);
    const Reported lockedBefore = reported(kA, "old", "", true);
    // The row says nothing of the lock: a controller that was locked stays locked.
    EXPECT_EQ(differences(entry, lockedBefore, reported(kA, "x", "", false)),
              std::vector<std::string>{"it is unlocked, not locked"});
    EXPECT_TRUE(differences(entry, lockedBefore, reported(kA, "x", "", true)).empty());

    entry.hostName = "cell";
    entry.comment = "line";
    entry.ip = staticAddress(0x0A000005);
    entry.protectReboot = true;
    entry.locked = false;
    Reported after = reported(kA, "cel", "lin", false, false);
    after.ping.ipConfigured = false;
    EXPECT_EQ(differences(entry, lockedBefore, after),
              (std::vector<std::string>{"host name is \"cel\", not \"cell\"",
                                        "comment is \"lin\", not \"line\"",
                                        "no IP settings are stored (\"IP configured\" is no)",
                                        "reboot protection is off, not on"}));
    after = reported(kA, "cell", "line", false, true);
    after.ping.ipConfigured = true;
    EXPECT_TRUE(differences(entry, lockedBefore, after).empty());
    after.identity.commentKnown = false;
    EXPECT_EQ(differences(entry, lockedBefore, after),
              std::vector<std::string>{"comment is too long to be read back, not \"line\""});
    // What a controller reports is shown escaped: it cannot rewrite the line.
    after = reported(kA, "cell\r\x1b[2K", "li\nne", false, true);
    after.ping.ipConfigured = true;
    EXPECT_EQ(differences(entry, lockedBefore, after),
              (std::vector<std::string>{"host name is \"cell\\x0D\\x1B[2K\", not \"cell\"",
                                        "comment is \"li\\x0Ane\", not \"line\""}));
}

}  // namespace
}  // namespace tesselcfg
