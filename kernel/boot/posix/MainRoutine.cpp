// Running the application's main routine, with SIGTERM and SIGINT as a power-off: a kernel
// thread waits for them (they are blocked in every other thread), calls the application's
// power-off handler and ends the process with status 0.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>

#include "kernel/boot/Kernel.h"
#include "kernel/boot/ServiceManager.h"
#include "kernel/boot/posix/KernelState.h"

namespace {

sigset_t powerOffSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    return signals;
}

void* powerOffThread(void*) {
    sigset_t signals = powerOffSignals();
    int signal = 0;
    while (sigwait(&signals, &signal) != 0) {
    }
    TovServiceStopping();
    if (TovPowerOffHandler handler = TovRegisteredPowerOffHandler()) {
        handler();
    }
    std::fflush(nullptr);
    _exit(0);
}

bool watchPowerOff() {
    // Threads inherit the mask: the main routine's threads start after this.
    sigset_t signals = powerOffSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    pthread_t thread;
    if (pthread_create(&thread, nullptr, powerOffThread, nullptr) != 0) {
        return false;
    }
    pthread_setname_np(thread, "OS Power Thread");
    pthread_detach(thread);
    return true;
}

}  // namespace

int TovRunMainRoutine() {
    TovMainRoutine routine = TovRegisteredMainRoutine();
    if (routine == nullptr) {
        std::fprintf(stderr, "No main routine is registered: the image holds no application.\n");
        return 1;
    }
    if (!watchPowerOff()) {
        std::fprintf(stderr, "Cannot start the power-off thread.\n");
        return 1;
    }
    return routine();
}
