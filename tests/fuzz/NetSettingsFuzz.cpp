// Any bytes as netconf.ini, the system settings and ethernet.ini: MAC lists, device, media and
// operation modes, intervals and driver lists read back as codes and values the drivers and
// the stack accept, and netconf.ini ends up listing exactly the devices present.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "FuzzDisk.h"
#include "config/ConfigManager.h"
#include "net/DriverLoadOrder.h"
#include "net/iMultiDeviceIPConfig.h"
#include "net/tIPConfig_real.h"
#include "net/tMACAddress.h"

namespace {

using nIPStack::tMACAddress;

bool oneOf(std::int32_t value, std::initializer_list<std::int32_t> allowed) {
    return std::find(allowed.begin(), allowed.end(), value) != allowed.end();
}

// Parts of the input separated by NUL bytes; missing parts are empty.
std::vector<std::string> parts(const std::uint8_t* data, std::size_t size, std::size_t count) {
    std::vector<std::string> out(count);
    std::size_t part = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0 && part + 1 < count) {
            ++part;
        } else {
            out[part] += static_cast<char>(data[i]);
        }
    }
    return out;
}

void put(const char* relative, const std::string& text) {
    fuzzdisk::put(relative, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

void checkMacText(const std::string& text) {
    try {
        const tMACAddress mac(text);
        if (tMACAddress(mac.compactText()) != mac || tMACAddress(mac.displayText()) != mac) {
            __builtin_trap();
        }
    } catch (const tMACAddress::tBadFormatException&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzdisk::start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> files = parts(data, size, 3);
    put("zu-rt/system/ethernet/netconf.ini", files[0]);
    put("zu-rt.ini", files[1]);
    put("ethernet.ini", files[2]);

    const std::uint8_t first[6] = {0x00, 0x80, 0x2F, 0x00, 0x00, 0x01};
    const std::uint8_t second[6] = {0x00, 0x80, 0x2F, 0x00, 0x00, 0x02};
    const std::vector<tMACAddress> devices = {tMACAddress(first), tMACAddress(second)};
    {
        nIPStack::tIPConfig_real config(devices);
        tMACAddress primary;
        config.getPrimaryMAC(primary);
        if (std::find(devices.begin(), devices.end(), primary) == devices.end()) {
            __builtin_trap();  // the primary is always a device that is present
        }
        for (const tMACAddress& mac : devices) {
            std::int32_t mode = 0;
            std::string address, mask;
            if (!config.getDeviceSettings(mac, mode, address, mask) ||
                !oneOf(mode, {nIPStack::DeviceDisabled, nIPStack::DeviceTCPIP,
                              nIPStack::DeviceDeterministic})) {
                __builtin_trap();
            }
            std::int32_t media = 0;
            if (!config.getMediaMode(mac, &media, nIPStack::MediaAuto) ||
                !oneOf(media, {1, 2, 4, 8, 16, 32, 64})) {
                __builtin_trap();
            }
            std::int32_t operation = 0, interval = -1;
            if (!config.getOperationMode(mac, &operation, nIPStack::OperationInterrupt,
                                         &interval) ||
                !oneOf(operation, {nIPStack::OperationInterrupt, nIPStack::OperationPolled}) ||
                (operation == nIPStack::OperationPolled ? interval < 1 || interval > 10000
                                                        : interval != 0)) {
                __builtin_trap();
            }
        }
        std::string name;
        if (config.getHostName(name).size() > 32) {
            __builtin_trap();
        }
        config.getMaxSockets();
        config.getTTLFieldValue();
        config.isIPConfigured();
    }
    // What netconf.ini lists now is the devices present, each once.
    auto netconf = rx_fwk::ConfigManager::create(nIPStack::tIPConfig_real::kNetconfPath);
    std::set<tMACAddress> listed;
    for (const std::string& text : netconf->getStringList("General", "MACAddresses", ';', {})) {
        checkMacText(text);
        listed.insert(tMACAddress(text));
    }
    if (listed != std::set<tMACAddress>(devices.begin(), devices.end())) {
        __builtin_trap();
    }

    // ethernet.ini: the load order holds each standard driver as listed, then every other
    // installed one once.
    auto ethernet = rx_fwk::ConfigManager::create("C:\\ethernet.ini");
    const auto standard = ethernet->getStringList("drivers", "StandardDrivers", ';', {});
    const auto installed = ethernet->getStringList("drivers", "IPEthernetDrivers", ';', {});
    const auto order = nIPStack::driverLoadOrder(standard, installed);
    if (order.size() > standard.size() + installed.size() ||
        !std::equal(standard.begin(), standard.end(), order.begin())) {
        __builtin_trap();
    }
    for (const std::string& name : order) {
        ethernet->getString(name, "path", "");
        ethernet->getString(name, "DeterministicDriver", "");
    }
    for (const std::string& text : parts(data, size, 4)) {
        checkMacText(text);
    }
    return 0;
}
