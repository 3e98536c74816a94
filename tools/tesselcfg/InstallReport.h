// After an install reboot the controller reports its new address to the host that asked,
// by UDP to port 44517, and repeats the report until the host answers.
#pragma once

#include <optional>
#include <string>

#include "tools/tesselcfg/Transport.h"

namespace tesselcfg {

struct InstallReport {
    std::string address;  // the controller's new address, as it reported it
    std::string sender;   // where the report came from
};

class InstallReportListener {
public:
    // Binds port 44517 on every local address; throws TransportError when it cannot (so
    // before a reset is asked for, not after).
    InstallReportListener();
    ~InstallReportListener();
    InstallReportListener(const InstallReportListener&) = delete;
    InstallReportListener& operator=(const InstallReportListener&) = delete;

    // The first report that carries an IPv4 address, answered; nothing by the deadline.
    std::optional<InstallReport> wait(Clock::time_point deadline);

private:
    int socket_ = -1;
};

}  // namespace tesselcfg
