// The search pattern match of the constant file system.
#include "kernel/cfs/CfsPattern.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(CfsPatternTest, Matches) {
    struct Case {
        const char* pattern;
        const char* name;
        bool matches;
    } cases[] = {
        {"/*.*", "ethernet.ini", true},
        {"/*.*", "drivers", true},         // no extension: the dot matches nothing
        {"/*.*", "drivers/x.dll", false},  // one level only
        {"/*", "drivers/x.dll", false},
        {"/drivers/*.*", "drivers/x.dll", true},
        {"/drivers/*.*", "DRIVERS\\X.DLL", true},
        {"/drivers/*.*", "drivers", false},
        {"/*.dll", "I8254X.DLL", true},
        {"/*.dll", "ethernet.ini", false},
        {"/*.txt", "readme", false},
        {"/i825?x.dll", "i8254x.dll", true},
        {"/i825?x.dll", "i825x.dll", false},
        {"/ethernet.ini", "ethernet.ini", true},
        {"/ethernet.ini", "ethernet.ini.bak", false},
        {"/*", "", true},
        {"/?", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pattern) + " " + c.name);
        EXPECT_EQ(cfsPatternMatch(c.pattern, c.name, std::strlen(c.name)), c.matches);
    }
}

TEST(CfsPatternTest, ManyStarsOnALongNameStayLinear) {
    // A backtracking match would take exponential time here.
    const std::string name(60000, 'a');
    EXPECT_FALSE(cfsPatternMatch("/*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b", name.data(), name.size()));
}

}  // namespace
