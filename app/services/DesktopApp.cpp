#include "app/services/DesktopApp.h"

#include "app/startup/LifeboatImage.h"
#include "kernel/hw/Machine.h"
#include "net/ipStack.h"

namespace rx_fwk {

std::uint32_t DesktopApp::serialNumber() {
    nIPStack::tMACAddress first;
    nIPStack::ipStack().getFirstMACAddress(first);
    const std::uint8_t* mac = first.bytes();
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
