// The IP stack service ("IP Stack", start order 2): it owns the Ethernet drivers and their
// devices, the IP configuration and the AdvancedEnet command, brings the primary device up
// and answers the device and address queries of the rest of the application.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cmdserver/net/callOnce.h"
#include "net/iMultiDeviceIPConfig.h"
#include "net/iMultiDeviceIPStack.h"
#include "net/tDeviceEntry.h"
#include "net/tDriverEntry.h"
#include "net/tIPConfig_real.h"

namespace rx_fwk {
class CfgCommand;
}

namespace nIPStack {

class tIPStack final : public iMultiDeviceIPStack {
public:
    // The program's service, registered during static initialisation. This call, getConfig,
    // start, stop and isRunning first run the one-time initialisation: drivers loaded,
    // devices found, the IP configuration and the AdvancedEnet command made.
    static tIPStack& instance();

    // A service of its own, not registered, that reads its driver list from
    // `driverConfigPath` (tests).
    explicit tIPStack(std::string driverConfigPath);
    ~tIPStack() override;
    tIPStack(const tIPStack&) = delete;
    tIPStack& operator=(const tIPStack&) = delete;

    bool start() override;
    // Always true.
    bool stop() override;
    bool isRunning() override;

    bool getFirstMACAddress(tMACAddress& mac) override;
    void getIPSettings(bool* dhcp, std::string* address, std::string* mask, std::string* gateway,
                       std::string* dns) override;
    std::string getIPAddress() override;

    unsigned getDeviceCount() override;
    bool getDeviceMACAddress(unsigned index, tMACAddress& mac) override;
    bool hasDevice(const tMACAddress& mac) override;
    bool getSupportedDeviceModes(const tMACAddress& mac, std::uint32_t& modes) override;
    bool getMediaModeInfo(const tMACAddress& mac, std::uint32_t* supported,
                          std::uint32_t* defaultMode) override;
    bool getOperationModeInfo(const tMACAddress& mac, std::uint32_t* supported,
                              std::uint32_t* defaultMode) override;
    bool getPrimaryInterface(std::string& name) override;

    iMultiDeviceIPConfig* getConfig();

    // The tables as discovery left them (after the initialisation).
    const std::vector<std::unique_ptr<tDriverEntry>>& drivers() const { return drivers_; }
    const std::vector<tDeviceEntry>& devices() const { return devices_; }
    rx_fwk::CfgCommand* advancedEnetCommand() const { return advancedEnet_.get(); }

    // Where a stack finds its driver list: B:\ethernet.ini in the rescue image, else
    // C:\zu-rt\system\ethernet\ethernet.ini.
    static std::string defaultDriverConfigPath();

private:
    struct Program {};
    explicit tIPStack(Program);
    static tIPStack programStack_;

    void initializeOnce();
    void initialize();
    void loadDrivers();
    void findDevices();
    // Applies the configured media and operation mode; false when the device fails or the
    // configuration does not know it.
    bool configureDevice(tDeviceEntry& device);
    bool bringUpPrimary(tDeviceEntry& device);
    bool bringUpSecondary(tDeviceEntry& device, const std::string& address,
                          const std::string& mask);
    void reportPrimaryFailure();
    void listDevices();
    tDeviceEntry* deviceWith(const tMACAddress& mac);
    void traceLine(const char* format, ...) const __attribute__((format(printf, 2, 3)));

    std::string driverConfigPath_;  // empty: defaultDriverConfigPath() at initialisation
    bool registered_ = false;
    std::string onceName_;
    mthread::OnceGuard once_;
    std::vector<std::unique_ptr<tDriverEntry>> drivers_;
    std::vector<tDeviceEntry> devices_;
    bool running_ = false;
    bool winsockStarted_ = false;
    tDeviceEntry* primary_ = nullptr;
    bool useDHCP_ = false;
    // The configuration has no virtual destructor; the stack's own is deleted as what it is.
    class tStackConfig final : public tIPConfig_real {
    public:
        using tIPConfig_real::tIPConfig_real;
    };
    std::unique_ptr<tStackConfig> config_;
    std::unique_ptr<rx_fwk::CfgCommand> advancedEnet_;
    bool trace_ = false;
};

}  // namespace nIPStack
