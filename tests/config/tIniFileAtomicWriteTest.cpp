// A writer killed at any moment leaves the settings file with its old or its new content.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "config/IniWriter.h"
#include "config/tIniFile.h"
#include "tests/support/TempDisk.h"

namespace {

using rx_fwk::IniValue;
using rx_fwk::QuoteKind;
using rx_fwk::SectionMap;

TEST(tIniFileAtomicWriteTest, KilledWriterLeavesOldOrNewContent) {
    lbtest::TempDisk disk;
    SectionMap small;
    small["S"]["k"] = IniValue{"small", QuoteKind::None};
    // Large enough to take several writes, so a kill can land in the middle of them.
    SectionMap large;
    for (int i = 0; i < 2000; ++i) {
        large["S"]["key" + std::to_string(i)] =
            IniValue{std::string(90, 'a' + i % 26), QuoteKind::None};
    }
    const std::string oldBytes = rx_fwk::renderIniText(small);
    const std::string newBytes = rx_fwk::renderIniText(large);

    nZUEmbCfg::tIniFile ini("C:\\atomic.ini");
    ASSERT_TRUE(ini.writeFile(small));
    std::mt19937 random(20240601);
    for (int round = 0; round < 40; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (unsigned i = 0;; ++i) {
                ini.writeFile(i % 2 == 0 ? large : small);
            }
        }
        usleep(200 + random() % 5000);
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        const std::string bytes = disk.readHostFile("atomic.ini");
        ASSERT_TRUE(bytes == oldBytes || bytes == newBytes)
            << "round " << round << ": " << bytes.size() << " bytes";
    }
}

}  // namespace
