#include "drivers/common/PciFamilyDriver.h"

#include <algorithm>
#include <tuple>

#include "kernel/hw/Pci.h"

namespace lbdriver {

std::vector<std::string> PciFamilyDriver::findInterfaces() {
    struct Adapter {
        TovPCIAddress at;
        std::string interfaceName;
    };
    std::vector<Adapter> adapters;
    if (!TovPCIInit()) {
        trace("no PCI bus");
        return {};
    }
    for (std::size_t i = 0; i < count_; ++i) {
        TovPCIAddress at{};
        for (DWORD index = 0; TovPCIFindDevice(ids_[i].vendor, ids_[i].device, index, &at);
             ++index) {
            char name[64] = {};
            if (TovPCIGetNetInterface(&at, name, sizeof name) == 0) {
                trace("adapter %04X:%04X at %02X:%02X.%u has no network interface", ids_[i].vendor,
                      ids_[i].device, at.bus, at.device, at.function);
                continue;
            }
            adapters.push_back(Adapter{at, name});
        }
    }
    std::sort(adapters.begin(), adapters.end(), [](const Adapter& a, const Adapter& b) {
        return std::make_tuple(a.at.segment, a.at.bus, a.at.device, a.at.function) <
               std::make_tuple(b.at.segment, b.at.bus, b.at.device, b.at.function);
    });
    std::vector<std::string> names;
    for (const Adapter& adapter : adapters) {
        trace("adapter at %02X:%02X.%u is %s", adapter.at.bus, adapter.at.device,
              adapter.at.function, adapter.interfaceName.c_str());
        names.push_back(adapter.interfaceName);
    }
    return names;
}

}  // namespace lbdriver
