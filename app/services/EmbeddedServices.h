// The application's spine: system state, the reboot paths and the reboot record.
#pragma once

#include <cstdint>
#include <string>

namespace rx_fwk {

class EmbeddedServices {
public:
    // The first call reads the reboot record of the previous boot and clears it on disk.
    static EmbeddedServices& instance();

    virtual void run();
    virtual int stopAllServices();

    std::string& systemState() { return systemState_; }
    void setSystemState(const std::string& state) { systemState_ = state; }

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
    ~EmbeddedServices() = default;

private:
    [[noreturn]] void restartMachine();

    std::uint32_t systemErrorReboots_ = 0;
    std::string systemState_;
    bool stateFinal_ = false;
    std::string installHost_;
};

}  // namespace rx_fwk
