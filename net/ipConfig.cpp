#include "net/ipConfig.h"

#include <atomic>
#include <cstdint>
#include <vector>

#include "net/NetworkInfo.h"
#include "net/tIPConfig_real.h"

namespace nIPStack {
namespace {

std::atomic<iMultiDeviceIPConfig*> gInstalled{nullptr};

std::vector<tMACAddress> deviceMACs() {
    rx_fwk::NetworkInfo& network = rx_fwk::NetworkInfo::instance();
    std::vector<tMACAddress> macs;
    const unsigned count = network.getDeviceCount();
    for (unsigned i = 0; i < count; ++i) {
        std::uint8_t mac[6];
        if (network.getDeviceMACAddress(i, mac)) {
            macs.emplace_back(mac);
        }
    }
    return macs;
}

}  // namespace

iMultiDeviceIPConfig& ipConfig() {
    if (iMultiDeviceIPConfig* installed = gInstalled.load()) {
        return *installed;
    }
    // Built once, by whichever thread asks first; kept until the machine restarts.
    static tIPConfig_real* config = new tIPConfig_real(deviceMACs());
    return *config;
}

void installIPConfig(iMultiDeviceIPConfig* config) {
    gInstalled.store(config);
}

}  // namespace nIPStack
