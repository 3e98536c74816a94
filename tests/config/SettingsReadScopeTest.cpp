// Within one scope a settings file is read in one state; outside edits show in the next.
#include "config/SettingsReadScope.h"

#include <gtest/gtest.h>

#include "config/ConfigManager.h"
#include "tests/config/IniTestFiles.h"
#include "tests/support/TempDisk.h"

namespace {

using rx_fwk::ConfigManager;
using rx_fwk::SettingsReadScope;

TEST(SettingsReadScopeTest, OneStateOfTheFilePerScope) {
    lbtest::TempDisk disk;
    lbtest::editBehindModel(disk, "scope.ini", "[S]\nComment=old\nFormat=1\n");
    auto settings = ConfigManager::create("C:\\scope.ini");
    {
        SettingsReadScope reads;
        EXPECT_EQ(settings->getString("S", "Comment", ""), "old");
        lbtest::editBehindModel(disk, "scope.ini", "[S]\nComment=new\nFormat=2\n");
        // The pair stays one version's.
        EXPECT_EQ(settings->getInt("S", "Format", 0), 1);
        // A change made through the store is seen at once, and goes to the file checked
        // afresh: the outside edit is not lost.
        ASSERT_TRUE(settings->setString("S", "Own", "x"));
        EXPECT_EQ(settings->getString("S", "Own", ""), "x");
        EXPECT_EQ(settings->getInt("S", "Format", 0), 2);
    }
    lbtest::editBehindModel(disk, "scope.ini", "[S]\nFormat=3\n");
    EXPECT_EQ(settings->getInt("S", "Format", 0), 3);  // outside a scope: every read checks
    {
        SettingsReadScope reads;
        EXPECT_EQ(settings->getInt("S", "Format", 0), 3);
        {
            SettingsReadScope nested;  // part of the same request
            lbtest::editBehindModel(disk, "scope.ini", "[S]\nFormat=4\n");
            EXPECT_EQ(settings->getInt("S", "Format", 0), 3);
        }
        EXPECT_EQ(settings->getInt("S", "Format", 0), 3);
    }
    SettingsReadScope next;
    EXPECT_EQ(settings->getInt("S", "Format", 0), 4);
}

}  // namespace
