// A driver whose devices are host network interfaces: the family drivers (adapters found on
// the PCI bus, served through the interface the host bound to them) and the host network
// driver (interfaces chosen by name or state) share it.
#pragma once

#include <string>
#include <vector>

#include "drivers/common/HostInterfaceDevice.h"
#include "net/iDriver.h"

namespace lbdriver {

class InterfaceDriver : public nZUKORAEthernet100::iDriver {
public:
    // Looks for the interfaces the driver may serve.
    void initializeDriver(tOSSpecificParameter* parameter,
                          nZUKORAEthernet100::tStatus* status) override;
    // The interfaces found, less those another driver's device carries already (one
    // interface, one device); fixed at the first call after initializeDriver.
    std::uint32_t getNumberOfDevices(nZUKORAEthernet100::tStatus* status) override;
    nZUKORAEthernet100::iDevice* getDevice(std::uint32_t index,
                                           nZUKORAEthernet100::tStatus* status) override;

protected:
    explicit InterfaceDriver(const char* name) : name_(name) {}
    ~InterfaceDriver() override = default;

    // The interfaces to serve, in device order.
    virtual std::vector<std::string> findInterfaces() = 0;
    // Trace output of the driver (component "Ethernet", level 10).
    void trace(const char* format, ...) const __attribute__((format(printf, 2, 3)));

private:
    // Devices live as long as the program (a manager may still hold them); one per interface.
    HostInterfaceDevice* deviceFor(const std::string& interfaceName);

    const char* name_;
    bool initialized_ = false;
    bool counted_ = false;
    std::vector<std::string> found_;
    std::vector<HostInterfaceDevice*> devices_;
    std::vector<HostInterfaceDevice*> made_;
};

}  // namespace lbdriver
