// The machine: what the application registered, the restart by re-execution of the image,
// and the kernel's start-up values.
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "kernel/boot/ServiceManager.h"
#include "kernel/boot/posix/KernelState.h"
#include "kernel/hw/Machine.h"

namespace {

std::atomic<TovMainRoutine> gMainRoutine{nullptr};
std::atomic<TovPowerOffHandler> gPowerOffHandler{nullptr};
TovKernelOptions gStarted;

}  // namespace

const TovKernelOptions& TovStartedOptions() {
    return gStarted;
}

void TovSetStartedOptions(const TovKernelOptions& options) {
    gStarted = options;
}

TovMainRoutine TovRegisteredMainRoutine() {
    return gMainRoutine;
}

TovPowerOffHandler TovRegisteredPowerOffHandler() {
    return gPowerOffHandler;
}

void TovSetMainRoutine(TovMainRoutine routine) {
    gMainRoutine = routine;
}

void TovSetPowerOffHandler(TovPowerOffHandler handler) {
    gPowerOffHandler = handler;
}

// Every descriptor of the kernel is close-on-exec, so the next boot starts clean; what is
// on the disk stays, as on the controller's disk. The process stays, so a service manager
// sees a reload that ends when the next boot reports ready.
void TovRestartMachine() {
    TovServiceRestarting();
    std::fflush(nullptr);
    std::vector<char*> arguments;
    for (const std::string& argument : gStarted.argv) {
        arguments.push_back(const_cast<char*>(argument.c_str()));
    }
    if (arguments.empty()) {
        arguments.push_back(const_cast<char*>("lifeboat.exe"));
    }
    arguments.push_back(nullptr);
    execv("/proc/self/exe", arguments.data());
    std::fprintf(stderr, "restart failed: cannot re-execute the image (%s)\n",
                 std::strerror(errno));
    _exit(1);
}

void TovShutdownNotification() {
    std::fflush(nullptr);
}

DWORD TovBootInfoFlag() {
    return 0;
}

LPCSTR TovDiskRoot() {
    return gStarted.disk.c_str();
}

double TovPaceFactor() {
    return gStarted.pace;
}
