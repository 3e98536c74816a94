#include "app/services/DesktopApp.h"

#include "app/startup/LifeboatImage.h"
#include "kernel/hw/Machine.h"
#include "net/NetworkInfo.h"

namespace rx_fwk {

std::uint32_t DesktopApp::serialNumber() {
    std::uint8_t mac[6] = {};
    NetworkInfo::instance().getFirstMACAddress(mac);
    return (std::uint32_t{mac[2]} << 24) | (std::uint32_t{mac[3]} << 16) |
           (std::uint32_t{mac[4]} << 8) | std::uint32_t{mac[5]};
}

bool DesktopApp::isRescueSwitchOn() {
    return isLifeboatImage() && TovBootInfoFlag() == 0;
}

void DesktopApp::resetMachine() {
    TovRestartMachine();
}

}  // namespace rx_fwk
