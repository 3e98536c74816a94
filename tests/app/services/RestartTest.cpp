// A real restart: the image re-executes in the same process and its next boot reads the
// reboot record.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "tests/support/TempDisk.h"

namespace {

struct Boot {
    int pid;
    unsigned count;
};

std::vector<Boot> runProbe(const std::string& disk, const std::string& args) {
    const std::string command = std::string(LIFEBOAT_REBOOT_PROBE) + " " + disk + " " + args;
    std::vector<Boot> boots;
    FILE* out = popen(command.c_str(), "r");
    if (out == nullptr) {
        return boots;
    }
    // Other lines (the IP stack service's, when a reboot stops the services) pass by.
    char line[256];
    while (std::fgets(line, sizeof line, out) != nullptr) {
        Boot boot{};
        if (std::sscanf(line, "boot pid=%d count=%u", &boot.pid, &boot.count) == 2) {
            boots.push_back(boot);
        }
    }
    EXPECT_EQ(pclose(out), 0);
    return boots;
}

TEST(RestartTest, SystemErrorChainCountsUpAndARequestedRebootResetsIt) {
    lbtest::TempDisk disk;
    const auto boots = runProbe(disk.root(), "3");
    std::vector<unsigned> counts;
    std::set<int> pids;
    for (const Boot& boot : boots) {
        counts.push_back(boot.count);
        pids.insert(boot.pid);
    }
    EXPECT_EQ(counts, (std::vector<unsigned>{0, 1, 2, 3, 0}));
    EXPECT_EQ(pids.size(), 1u) << "a restart re-executes the same process";
}

}  // namespace
