// The IP configuration kept in C:\zu-rt.ini and C:\zu-rt\system\ethernet\netconf.ini: the
// primary device, per-device settings, and their reconciliation with the devices present.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "net/iMultiDeviceIPConfig.h"
#include "net/tMACAddress.h"

namespace rx_fwk {
class ConfigManager;
}

namespace nIPStack {

class tIPConfig_real : public iMultiDeviceIPConfig {
public:
    static constexpr const char* kNetconfPath = "C:\\zu-rt\\system\\ethernet\\netconf.ini";

    // `devices` are the MACs of the device table in table order. Creates the ethernet
    // directory and brings netconf.ini in line with the devices present.
    explicit tIPConfig_real(const std::vector<tMACAddress>& devices);
    ~tIPConfig_real();
    tIPConfig_real(const tIPConfig_real&) = delete;
    tIPConfig_real& operator=(const tIPConfig_real&) = delete;

    bool isIPConfigured() override;
    void getTCPStackConfig(bool* dhcp, std::string* address, std::string* mask,
                           std::string* gateway, std::string* dns) override;
    bool setTCPStackConfig(bool dhcp, const std::string& address, const std::string& mask,
                           const std::string& gateway, const std::string& dns) override;
    bool clearTCPStackConfig() override;
    bool getHaltOnError() override;
    bool setHaltOnError(bool halt) override;
    std::string getHostName(std::string& name) override;
    bool setHostName(const std::string& name) override;

    void getPrimaryMAC(tMACAddress& mac) override;
    bool setPrimaryMAC(const tMACAddress& mac) override;
    bool getDeviceSettings(const tMACAddress& mac, std::int32_t& mode, std::string& address,
                           std::string& mask) override;
    bool setDeviceSettings(const tMACAddress& mac, std::int32_t mode, const std::string& address,
                           const std::string& mask) override;
    std::int32_t getMaxSockets() override;
    bool setMaxSockets(std::int32_t count) override;
    std::int32_t getTTLFieldValue() override;
    bool setTTLFieldValue(std::int32_t ttl) override;
    bool getMediaMode(const tMACAddress& mac, std::int32_t* mode,
                      std::int32_t deviceDefault) override;
    bool getOperationMode(const tMACAddress& mac, std::int32_t* mode, std::int32_t deviceDefault,
                          std::int32_t* pollingInterval) override;
    bool setMediaMode(const tMACAddress& mac, std::int32_t mode,
                      std::int32_t deviceDefault) override;
    bool setOperationMode(const tMACAddress& mac, std::int32_t mode, std::int32_t deviceDefault,
                          std::int32_t pollingInterval) override;

private:
    void reconcile(const std::vector<tMACAddress>& devices);
    bool listed(const tMACAddress& mac) const { return knownMACs_.count(mac) != 0; }
    bool isFirst(const tMACAddress& mac) const { return mac == firstMAC_; }
    // Unchecked forms: construction works on MACs that are not (or no longer) listed.
    void readDeviceSettings(const tMACAddress& mac, std::int32_t& mode, std::string& address,
                            std::string& mask);
    bool writeDeviceSettings(const tMACAddress& mac, std::int32_t mode, const std::string& address,
                             const std::string& mask);
    // Removes Mode, IP_Address and Subnet_Mask of the device's section, stopping at the
    // first that cannot be removed.
    bool removeDeviceSettings(const tMACAddress& mac);
    bool makePrimary(const tMACAddress& mac);

    tMACAddress firstMAC_;
    tMACAddress primaryMAC_;
    std::set<tMACAddress> knownMACs_;
    std::unique_ptr<rx_fwk::ConfigManager> netconf_;
    rx_fwk::ConfigManager& system_;
};

}  // namespace nIPStack
