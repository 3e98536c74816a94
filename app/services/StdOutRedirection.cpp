// Standard-output redirection and its banners.
#include "app/services/StdOutRedirection.h"

#include <cstdio>

#include "app/services/RebootNotifier.h"
#include "config/ConfigManager.h"
#include "kernel/base/ErrorText.h"
#include "kernel/base/LastError.h"
#include "kernel/fs/Stdio.h"
#include "kernel/time/Time.h"

namespace rx_fwk {
namespace {

bool gRedirected = false;

void stopOnReboot(int, void*) {
    stopStdOutRedirection();
}

}  // namespace

std::string bannerTime() {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[64];
    std::snprintf(text, sizeof text, "%s %s %02u %02u:%02u:%02u %04u", kDays[now.wDayOfWeek % 7],
                  kMonths[(now.wMonth + 11) % 12], now.wDay % 100u, now.wHour % 100u,
                  now.wMinute % 100u, now.wSecond % 100u, now.wYear % 10000u);
    return text;
}

void setUpStdOutRedirection(ConfigManager& settings) {
    const std::string path = settings.getString("Debug", "StdOutRedirectionFile", "");
    if (path.empty()) {
        return;
    }
    std::fflush(stdout);
    if (!TovRedirectStdout(path.c_str(), "a")) {
        std::fprintf(stderr, "Failed to redirect standard output to %s (%s)\n", path.c_str(),
                     TovErrorText(GetLastError()));
        return;
    }
    gRedirected = true;
    std::printf("=== Starting standard output log - %s ===\n\n", bannerTime().c_str());
    std::fflush(stdout);
    registerRebootCallback(stopOnReboot, nullptr, true);
    std::fprintf(stderr, "Redirecting standard output to %s\n", path.c_str());
}

void setUpStdOutRedirection() {
    setUpStdOutRedirection(ConfigManager::instance());
}

void stopStdOutRedirection() {
    if (!gRedirected) {
        return;
    }
    std::printf("\n=== Stopping standard output log - %s ===\n\n", bannerTime().c_str());
    std::fflush(stdout);
    TovRedirectStdout(nullptr, nullptr);
    gRedirected = false;
}

}  // namespace rx_fwk
