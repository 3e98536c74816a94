// The host network driver: serves the Linux network interfaces its section of ethernet.ini
// names in `Interfaces` (";"-separated, in that order), or, without names, every interface
// that is up and not loopback, in the host's order. An interface without a hardware address
// (tun, wireguard) cannot be a device and is left out.
#include <algorithm>
#include <cstring>

#include "drivers/common/DriverStatus.h"
#include "drivers/common/EthernetIni.h"
#include "drivers/common/InterfaceDriver.h"
#include "kernel/module/DllExport.h"
#include "kernel/net/HostInterface.h"

namespace {

constexpr const char kName[] = "Host Network Ethernet";

std::vector<std::string> namesIn(const std::string& list) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(';', start);
        if (end == std::string::npos) {
            end = list.size();
        }
        std::string name = list.substr(start, end - start);
        name.erase(0, name.find_first_not_of(" \t"));
        name.erase(name.find_last_not_of(" \t") + 1);
        if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) {
            names.push_back(name);
        }
        start = end + 1;
    }
    return names;
}

bool hasAddress(const TovHostInterface& i) {
    static const BYTE kNone[6] = {};
    return std::memcmp(i.mac, kNone, sizeof kNone) != 0;
}

class HostNetDriver final : public lbdriver::InterfaceDriver {
public:
    HostNetDriver() : InterfaceDriver(kName) {}

protected:
    std::vector<std::string> findInterfaces() override {
        const std::vector<std::string> chosen =
            namesIn(lbdriver::ethernetIniValue(kName, "Interfaces", ""));
        const std::vector<TovHostInterface> present = TovListHostInterfaces();
        std::vector<std::string> names;
        if (chosen.empty()) {
            for (const TovHostInterface& i : present) {
                if (i.up && !i.loopback && hasAddress(i)) {
                    names.push_back(i.name);
                }
            }
            return names;
        }
        for (const std::string& name : chosen) {
            auto it = std::find_if(present.begin(), present.end(),
                                   [&name](const TovHostInterface& i) { return i.name == name; });
            if (it == present.end()) {
                trace("no interface %s", name.c_str());
            } else if (!hasAddress(*it)) {
                trace("%s has no hardware address", name.c_str());
            } else {
                names.push_back(name);
            }
        }
        return names;
    }
};

HostNetDriver gDriver;

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
