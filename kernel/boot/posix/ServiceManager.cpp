// The service manager's notification socket through libsystemd.
#include "kernel/boot/ServiceManager.h"

#include <systemd/sd-daemon.h>

#include <ctime>
#include <string>

namespace {

// One line of the notification is one assignment: a state text must not add more.
std::string statusText(LPCSTR state) {
    std::string text = state != nullptr ? state : "";
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = ' ';
        }
    }
    return text;
}

}  // namespace

void TovServiceReady(LPCSTR state) {
    const std::string message = "READY=1\nSTATUS=" + statusText(state);
    sd_notify(0, message.c_str());
}

void TovServiceRestarting() {
    // The manager times the reload from this moment (CLOCK_MONOTONIC, microseconds).
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    sd_notifyf(0, "RELOADING=1\nSTATUS=Restarting\nMONOTONIC_USEC=%llu",
               static_cast<unsigned long long>(now.tv_sec) * 1000000ULL +
                   static_cast<unsigned long long>(now.tv_nsec) / 1000ULL);
}

void TovServiceStopping() {
    sd_notify(0, "STOPPING=1\nSTATUS=Powering off");
}
