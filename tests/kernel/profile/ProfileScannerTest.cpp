#include "kernel/profile/ProfileScanner.h"

#include <gtest/gtest.h>

#include <string>

namespace kprofile {
namespace {

std::string sectionNames(const std::string& profile) {
    MemoryProfileText text(profile.data(), profile.size());
    std::string out;
    scanProfile(text, ProfileQuery::SectionNames, nullptr, nullptr, out);
    return out;
}

TEST(ProfileScannerTest, SectionNamesAreListedOnceInTheirFirstSpelling) {
    EXPECT_EQ(sectionNames("[Messages]\n[Output]\n[MESSAGES]\n[output]\n[]\n[Extra]\n"),
              std::string("Messages\0Output\0Extra\0", 22));
}

// Listing compared each header with every name listed before it: a profile of many sections
// (RTOS.INI is read whole, from disk) held the caller for minutes.
TEST(ProfileScannerTest, ManySectionsAreListedInOnePass) {
    std::string profile;
    std::string expected;
    for (int i = 0; i < 200000; ++i) {
        const std::string name = "S" + std::to_string(i);
        profile += "[" + name + "]\r\nk=v\r\n[" + name + "]\r\n";
        expected += name + '\0';
    }
    EXPECT_EQ(sectionNames(profile), expected);
}

}  // namespace
}  // namespace kprofile
