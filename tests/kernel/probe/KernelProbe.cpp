// A tiny image for the kernel's machine tests; what it does is written in C:\probe.txt.
//   restart N   report each boot on the console ("boot B pid P descriptors D"), keep a file
//               open and restart until boot N, then end with status 0
//   poweroff    register a power-off handler that writes C:\poweroff.txt, report
//               "ready" and wait for ever
//   console     print and move the cursor, then report the positions it saw
#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "kernel/base/Handle.h"
#include "kernel/boot/Console.h"
#include "kernel/fs/File.h"
#include "kernel/fs/Stdio.h"
#include "kernel/hw/Machine.h"
#include "kernel/time/Time.h"

namespace {

int openDescriptors() {
    int count = 0;
    DIR* listing = opendir("/proc/self/fd");
    while (dirent* entry = readdir(listing)) {
        count += entry->d_name[0] != '.';
    }
    closedir(listing);
    return count - 1;  // the listing's own
}

int bootNumber() {
    int boots = 0;
    if (std::FILE* file = TovFopen("C:\\boots.txt", "r")) {
        if (std::fscanf(file, "%d", &boots) != 1) {
            boots = 0;
        }
        std::fclose(file);
    }
    ++boots;
    std::FILE* file = TovFopen("C:\\boots.txt", "w");
    std::fprintf(file, "%d\n", boots);
    std::fclose(file);
    return boots;
}

void poweredOff() {
    std::FILE* file = TovFopen("C:\\poweroff.txt", "w");
    std::fputs("handled\n", file);
    std::fclose(file);
    std::printf("powering off\n");
}

int consoleRun() {
    COORD first;
    COORD second;
    std::printf("abc");
    TovGetConsoleCursor(&first);
    TovSetConsoleCursor(COORD{1, first.Y});
    std::printf("Z\n");
    std::printf("one\ntwo\n");
    TovGetConsoleCursor(&second);
    TovSetConsoleCursor(COORD{2, 1});
    std::printf("W");
    TovSetConsoleCursor(second);
    std::printf("end %d %d %d %d\n", first.X, first.Y, second.X, second.Y);
    return 0;
}

int probeMain() {
    char command[32] = {};
    int limit = 0;
    std::FILE* order = TovFopen("C:\\probe.txt", "r");
    if (order == nullptr || std::fscanf(order, "%31s %d", command, &limit) < 1) {
        return 3;
    }
    std::fclose(order);
    if (std::strcmp(command, "console") == 0) {
        return consoleRun();
    }
    if (std::strcmp(command, "poweroff") == 0) {
        TovSetPowerOffHandler(poweredOff);
        std::printf("ready\n");
        for (;;) {
            Sleep(1000);
        }
    }
    int boot = bootNumber();
    std::printf("boot %d pid %d descriptors %d\n", boot, static_cast<int>(getpid()),
                openDescriptors());
    if (boot < limit) {
        CreateFileA("C:\\held.txt", GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
        TovRestartMachine();
    }
    return 0;
}

struct Register {
    Register() { TovSetMainRoutine(probeMain); }
} gRegister;

}  // namespace
