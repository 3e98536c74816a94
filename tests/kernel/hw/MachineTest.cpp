// The machine through a small image of its own: restart by re-execution, power-off by signal.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "tests/support/TempDisk.h"

namespace {

struct ProbeRun {
    std::string output;
    int status = -1;
};

// Runs the probe on the disk; `whileRunning` gets its pid once it printed `ready`.
ProbeRun runProbe(const std::string& disk, const std::string& ready = "",
                  void (*whileRunning)(pid_t) = nullptr) {
    int pipeFds[2];
    EXPECT_EQ(pipe(pipeFds), 0);
    pid_t child = fork();
    if (child == 0) {
        dup2(pipeFds[1], STDOUT_FILENO);
        close(pipeFds[0]);
        close(pipeFds[1]);
        execl(LIFEBOAT_KERNEL_PROBE, "kernel_probe", "--disk", disk.c_str(), "--pace", "0",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    ProbeRun run;
    char buffer[256];
    ssize_t count;
    bool signalled = false;
    while ((count = read(pipeFds[0], buffer, sizeof buffer)) > 0) {
        run.output.append(buffer, static_cast<std::size_t>(count));
        if (!signalled && whileRunning != nullptr && run.output.find(ready) != std::string::npos) {
            whileRunning(child);
            signalled = true;
        }
    }
    close(pipeFds[0]);
    waitpid(child, &run.status, 0);
    return run;
}

TEST(MachineTest, ARestartReExecutesTheImageInTheSameProcessWithNothingLeftOpen) {
    lbtest::TempDisk disk;
    disk.writeHostFile("probe.txt", "restart 3\n");
    ProbeRun run = runProbe(disk.root());
    ASSERT_TRUE(WIFEXITED(run.status));
    EXPECT_EQ(WEXITSTATUS(run.status), 0);
    int pid = 0;
    int descriptors = 0;
    std::sscanf(run.output.c_str(), "boot 1 pid %d descriptors %d", &pid, &descriptors);
    std::string expected;
    for (int boot = 1; boot <= 3; ++boot) {
        expected += "boot " + std::to_string(boot) + " pid " + std::to_string(pid) +
                    " descriptors " + std::to_string(descriptors) + "\n";
    }
    EXPECT_EQ(run.output, expected);
    EXPECT_EQ(disk.readHostFile("boots.txt"), "3\r\n");
}

TEST(MachineTest, SigtermAndSigintPowerOffThroughTheHandlerWithStatusZero) {
    const int signals[] = {SIGTERM, SIGINT};
    for (int signal : signals) {
        SCOPED_TRACE(signal);
        lbtest::TempDisk disk;
        disk.writeHostFile("probe.txt", "poweroff\n");
        static int sent;
        sent = signal;
        ProbeRun run = runProbe(disk.root(), "ready\n", [](pid_t child) { kill(child, sent); });
        ASSERT_TRUE(WIFEXITED(run.status)) << run.output;
        EXPECT_EQ(WEXITSTATUS(run.status), 0);
        EXPECT_EQ(run.output, "ready\npowering off\n");
        EXPECT_EQ(disk.readHostFile("poweroff.txt"), "handled\r\n");
    }
}

}  // namespace
