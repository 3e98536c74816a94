// Loading the Ethernet drivers that ethernet.ini lists.
#include <cstdio>
#include <memory>

#include "app/startup/DllLoad.h"
#include "app/startup/DllRelease.h"
#include "config/ConfigManager.h"
#include "kernel/base/LastError.h"
#include "kernel/module/Module.h"
#include "kernel/time/Time.h"
#include "net/DriverLoadOrder.h"
#include "net/tIPStack.h"

namespace nIPStack {
namespace {

using nZUKORAEthernet100::iDriver;
using nZUKORAEthernet100::tGetDriverObject;
using nZUKORAEthernet100::tStatus;

constexpr const char kDriversSection[] = "drivers";
constexpr DWORD kBeforeLoadingMs = 500;
constexpr DWORD kPerDriverMs = 1000;

void show(const char* text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
}

}  // namespace

void tIPStack::loadDrivers() {
    traceLine("Using ethernet driver configuration file \"%s\".\n", driverConfigPath_.c_str());
    std::unique_ptr<rx_fwk::ConfigManager> ini = rx_fwk::ConfigManager::create(driverConfigPath_);
    if (trace_) {
        traceLine("Standard drivers: %s\n",
                  ini->getString(kDriversSection, "StandardDrivers", "").c_str());
        traceLine("Installed drivers: %s\n",
                  ini->getString(kDriversSection, "IPEthernetDrivers", "").c_str());
    }
    const std::vector<std::string> order =
        driverLoadOrder(ini->getStringList(kDriversSection, "StandardDrivers", ';', {}),
                        ini->getStringList(kDriversSection, "IPEthernetDrivers", ';', {}));

    show("\nLoading Ethernet Drivers:");
    TovPacingSleep(kBeforeLoadingMs);
    for (const std::string& name : order) {
        traceLine("\nDriver %s:\n", name.c_str());
        std::printf("\n\t%s ", name.c_str());
        std::fflush(stdout);
        TovPacingSleep(kPerDriverMs);

        const std::string path = ini->getString(name, "path", "");
        if (path.empty()) {
            traceLine("No DLL path found.\n");
            continue;
        }
        traceLine("Loading DLL \"%s\".\n", path.c_str());
        HMODULE module = rx_fwk::loadDll(path.c_str());
        if (module == nullptr) {
            traceLine("Load failed with error code %d.\n", static_cast<int>(GetLastError()));
            continue;
        }
        auto getDriverObject = reinterpret_cast<tGetDriverObject>(
            GetProcAddress(module, nZUKORAEthernet100::kGetDriverObjectName));
        if (getDriverObject == nullptr) {
            traceLine("Could not find getDriverObject entry point; unloading DLL.\n");
            rx_fwk::releaseDll(module);
            continue;
        }
        traceLine("Calling getDriverObject(%08X, %08X).\n",
                  nZUKORAEthernet100::kHostInterfaceVersion,
                  nZUKORAEthernet100::kMinimumDriverInterfaceVersion);
        tStatus status = 0;
        iDriver* driver =
            getDriverObject(nZUKORAEthernet100::kHostInterfaceVersion,
                            nZUKORAEthernet100::kMinimumDriverInterfaceVersion, &status);
        if (status < 0 || driver == nullptr) {
            // A driver that answers no object is refused as one that reports an error.
            traceLine("getDriverObject returned fatal error %d; unloading DLL.\n",
                      static_cast<int>(status));
            rx_fwk::releaseDll(module);
            continue;
        }
        traceLine("Calling initializeDriver.\n");
        iDriver::tOSSpecificParameter parameter;
        driver->initializeDriver(&parameter, &status);
        if (status < 0) {
            traceLine("initializeDriver returned fatal error %d; unloading DLL.\n",
                      static_cast<int>(status));
            rx_fwk::releaseDll(module);
            continue;
        }
        traceLine("Driver initialization completed successfully.\n");
        show("\tinitialized successfully.");

        auto entry = std::make_unique<tDriverEntry>();
        entry->name = name;
        entry->module = module;
        entry->deterministic = !ini->getString(name, "DeterministicDriver", "").empty();
        entry->driver = driver;
        drivers_.push_back(std::move(entry));
    }
}

}  // namespace nIPStack
