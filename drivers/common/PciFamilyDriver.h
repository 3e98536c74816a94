// A driver for one family of Ethernet controllers: it finds its adapters on the PCI bus by
// vendor and device id and serves each one the host has bound to a network interface
// through that interface.
#pragma once

#include <cstddef>
#include <cstdint>

#include "drivers/common/InterfaceDriver.h"

namespace lbdriver {

struct PciId {
    std::uint16_t vendor;
    std::uint16_t device;
};

class PciFamilyDriver final : public InterfaceDriver {
public:
    template <std::size_t N>
    PciFamilyDriver(const char* name, const PciId (&ids)[N])
        : InterfaceDriver(name), ids_(ids), count_(N) {}

protected:
    // The bound interfaces of the family's adapters, in bus order.
    std::vector<std::string> findInterfaces() override;

private:
    const PciId* ids_;
    std::size_t count_;
};

}  // namespace lbdriver
