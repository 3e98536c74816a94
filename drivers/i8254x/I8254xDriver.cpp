// The driver of the Intel 8254x (82540 to 82547; 82540EM is the adapter virtual machines offer)
// Ethernet controllers.
#include "drivers/common/DriverStatus.h"
#include "drivers/common/PciFamilyDriver.h"
#include "kernel/module/DllExport.h"

namespace {

const lbdriver::PciId kAdapters[] = {
    {0x8086, 0x1000}, {0x8086, 0x1001}, {0x8086, 0x1004}, {0x8086, 0x1008}, {0x8086, 0x1009},
    {0x8086, 0x100C}, {0x8086, 0x100D}, {0x8086, 0x100E}, {0x8086, 0x100F}, {0x8086, 0x1010},
    {0x8086, 0x1011}, {0x8086, 0x1012}, {0x8086, 0x1013}, {0x8086, 0x1014}, {0x8086, 0x1015},
    {0x8086, 0x1016}, {0x8086, 0x1017}, {0x8086, 0x1018}, {0x8086, 0x1019}, {0x8086, 0x101A},
    {0x8086, 0x101D}, {0x8086, 0x101E}, {0x8086, 0x1026}, {0x8086, 0x1027}, {0x8086, 0x1028},
    {0x8086, 0x1075}, {0x8086, 0x1076}, {0x8086, 0x1077}, {0x8086, 0x1078}, {0x8086, 0x1079},
    {0x8086, 0x107A}, {0x8086, 0x107B}, {0x8086, 0x107C}, {0x8086, 0x108A}, {0x8086, 0x1099},
    {0x8086, 0x10B5},
};

lbdriver::PciFamilyDriver gDriver("Intel 8254x Ethernet", kAdapters);

}  // namespace

TOV_DLL_EXPORT nZUKORAEthernet100::iDriver* getDriverObject(
    std::uint32_t hostInterfaceVersion, std::uint32_t minimumDriverInterfaceVersion,
    nZUKORAEthernet100::tStatus* status) {
    return nZUKORAEthernet100::driverVersionsFit(hostInterfaceVersion,
                                                 minimumDriverInterfaceVersion,
                                                 lbdriver::kDriverInterfaceVersion, status)
               ? &gDriver
               : nullptr;
}
