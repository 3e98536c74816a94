// An Ethernet device served through a host network interface: the host's stack carries its
// traffic, the TCP/IP stack's bookkeeping knows it by a handle, and its link and address
// events reach it on its IRQ line (interrupt mode) or through Poll (polled mode).
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "kernel/base/Win32Types.h"
#include "net/iDevice.h"
#include "net/isr/IntHandler.h"

namespace lbdriver {

class HostInterfaceDevice final : public nZUKORAEthernet100::iDevice, public rxfwk_isr::IntHandler {
public:
    explicit HostInterfaceDevice(std::string interfaceName);

    // Registers the device on its interface (again, after an earlier registration).
    void initializeDevice(tOSSpecificParameter* parameter, const std::uint8_t macOverride[6],
                          nZUKORAEthernet100::tStatus* status) override;
    // Media modes are what the link reports (auto only where it reports nothing); operation
    // modes are interrupt (where the device has a line) and polled.
    std::uint32_t getParameter(std::uint32_t parameter,
                               nZUKORAEthernet100::tStatus* status) override;
    void setParameter(std::uint32_t parameter, std::uint32_t value,
                      nZUKORAEthernet100::tStatus* status) override;
    const std::uint8_t* getMACAddress(std::uint8_t scratch[6],
                                      nZUKORAEthernet100::tStatus* status) override;

    // Takes note of the interface's state after an event.
    void Service(std::uint32_t irq) override;
    // Whether an event came since the last Service.
    bool Poll() override;

    const std::string& interfaceName() const { return name_; }
    DWORD handle() const { return handle_; }
    // Events served so far (interrupt or polled).
    unsigned long served() const { return served_.load(); }

private:
    void readLink();
    void leaveOperationMode();

    std::string name_;
    std::uint8_t mac_[6] = {};
    DWORD handle_ = 0;
    DWORD irq_ = 0;
    bool hasLine_ = false;
    std::uint32_t supportedMedia_ = 0;
    std::uint32_t defaultMedia_ = 0;
    std::uint32_t media_ = 0;
    std::uint32_t operation_ = 0;  // 0 until a mode is set
    std::atomic<DWORD> seenEvents_{0};
    std::atomic<unsigned long> served_{0};
    DWORD lastFlags_ = 0;
    DWORD lastAddress_ = 0;
};

}  // namespace lbdriver
