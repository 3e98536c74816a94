// The application's spine: system state, the reboot paths and the reboot record.
#pragma once

#include <cstdint>
#include <string>

#include "kernel/threads/Sync.h"

namespace rx_fwk {

class EmbeddedServices {
public:
    // The first call reads the reboot record of the previous boot and clears it on disk.
    static EmbeddedServices& instance();

    virtual void run();
    virtual int stopAllServices();

    // A copy taken under the state's lock: command handlers read the text while the main
    // thread sets it.
    std::string systemState() const;
    void setSystemState(const std::string& state);

    std::uint32_t systemErrorReboots() const { return systemErrorReboots_; }
    bool stateFinal() const { return stateFinal_; }
    void setStateFinal(bool final) { stateFinal_ = final; }
    const std::string& installHost() const { return installHost_; }

    [[noreturn]] void reboot();
    // The host (dotted IPv4) is told the new address after the boot; at most 23 characters
    // are kept.
    [[noreturn]] void rebootForInstall(const std::string& host);
    [[noreturn]] void rebootDueToSystemError();

    // After an install reboot: sends our address to the host that asked for it.
    bool notifyHost();

protected:
    EmbeddedServices();
    ~EmbeddedServices();

private:
    [[noreturn]] void restartMachine();

    std::uint32_t systemErrorReboots_ = 0;
    mutable CRITICAL_SECTION stateLock_;
    std::string systemState_;
    bool stateFinal_ = false;
    std::string installHost_;
};

}  // namespace rx_fwk
