#include "net/tIPStack.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "app/services/ServiceRegistry.h"
#include "app/startup/LifeboatImage.h"
#include "cmdserver/commands/cmd_AdvancedEnet.h"
#include "config/ConfigManager.h"
#include "kernel/net/TcpDevice.h"
#include "kernel/net/TcpGlobalSettings.h"
#include "kernel/net/WinSock.h"

namespace nIPStack {
namespace {

constexpr const char kServiceName[] = "IP Stack";
constexpr std::int32_t kStartOrder = 2;
constexpr std::uint32_t kModesWithoutDeterministic = DeviceDisabled | DeviceTCPIP;
constexpr std::uint32_t kAllModes = kModesWithoutDeterministic | DeviceDeterministic;

std::string dotted(DWORD networkOrder) {
    in_addr a{networkOrder};
    return inet_ntoa(a);
}

}  // namespace

// Registered during static initialisation.
tIPStack tIPStack::programStack_{Program{}};

tIPStack& tIPStack::instance() {
    programStack_.initializeOnce();
    return programStack_;
}

tIPStack::tIPStack(Program) : registered_(true), once_{nullptr, {0}} {
    onceName_ = "oncemutex_tIPStack_program";
    once_.name = onceName_.c_str();
    rx_fwk::ServiceRegistry::instance().registerService(this, kServiceName, kStartOrder);
}

tIPStack::tIPStack(std::string driverConfigPath)
    : driverConfigPath_(std::move(driverConfigPath)), once_{nullptr, {0}} {
    char unique[32];
    std::snprintf(unique, sizeof unique, "%p", static_cast<void*>(this));
    onceName_ = std::string("oncemutex_tIPStack_") + unique;
    once_.name = onceName_.c_str();
}

tIPStack::~tIPStack() {
    if (registered_) {
        rx_fwk::ServiceRegistry::instance().unregisterService(this);
    }
    // The handler unregisters itself; it refers to the configuration, so it goes first.
    advancedEnet_.reset();
    config_.reset();
}

std::string tIPStack::defaultDriverConfigPath() {
    return rx_fwk::isLifeboatImage() ? "B:\\ethernet.ini"
                                     : "C:\\zu-rt\\system\\ethernet\\ethernet.ini";
}

void tIPStack::initializeOnce() {
    mthread::callOnce(once_, [this] { initialize(); });
}

void tIPStack::initialize() {
    trace_ =
        rx_fwk::ConfigManager::instance().getBool("Debug", "TraceEthernetDriverLoading", false);
    if (driverConfigPath_.empty()) {
        driverConfigPath_ = defaultDriverConfigPath();
    }
    loadDrivers();
    findDevices();
    std::vector<tMACAddress> macs;
    for (const tDeviceEntry& device : devices_) {
        macs.push_back(device.mac);
    }
    config_ = std::make_unique<tStackConfig>(macs);
    advancedEnet_ = std::make_unique<rx_fwk::cmd_AdvancedEnet>(*config_, *this);
}

iMultiDeviceIPConfig* tIPStack::getConfig() {
    initializeOnce();
    return config_.get();
}

void tIPStack::traceLine(const char* format, ...) const {
    if (!trace_) {
        return;
    }
    va_list arguments;
    va_start(arguments, format);
    std::vprintf(format, arguments);
    va_end(arguments);
    std::fflush(stdout);
}

bool tIPStack::stop() {
    initializeOnce();
    if (running_) {
        if (winsockStarted_) {
            WSACleanup();
            winsockStarted_ = false;
        }
        for (const tDeviceEntry& device : devices_) {
            TovTCPDeviceStatus status{};
            status.size = sizeof status;
            if (TovTCPGetDeviceStatus(device.handle, &status) == 0 &&
                (status.flags & kTovTCPDeviceActive) != 0) {
                TovTCPDeactivateDevice(device.handle);
            }
        }
    }
    running_ = false;
    return true;
}

bool tIPStack::isRunning() {
    initializeOnce();
    return running_;
}

bool tIPStack::getFirstMACAddress(tMACAddress& mac) {
    if (devices_.empty()) {
        return false;
    }
    mac = devices_.front().mac;
    return true;
}

void tIPStack::getIPSettings(bool* dhcp, std::string* address, std::string* mask,
                             std::string* gateway, std::string* dns) {
    if (dhcp != nullptr) {
        *dhcp = useDHCP_;
    }
    const TovTCPDeviceCfg* record =
        primary_ != nullptr ? TovTCPGetDeviceCfg(primary_->handle) : nullptr;
    if (address != nullptr) {
        *address = record != nullptr ? dotted(record->address) : "";
    }
    if (mask != nullptr) {
        *mask = record != nullptr ? dotted(record->netmask) : "";
    }
    if (gateway != nullptr || dns != nullptr) {
        TovTCPGlobalSettings global{};
        TovTCPGetGlobalSettings(&global);
        if (gateway != nullptr) {
            *gateway = dotted(global.gateway.address);
        }
        if (dns != nullptr) {
            *dns = dotted(global.dns.server);
        }
    }
}

std::string tIPStack::getIPAddress() {
    std::string address;
    getIPSettings(nullptr, &address, nullptr, nullptr, nullptr);
    return address;
}

unsigned tIPStack::getDeviceCount() {
    return static_cast<unsigned>(devices_.size());
}

bool tIPStack::getDeviceMACAddress(unsigned index, tMACAddress& mac) {
    if (index >= devices_.size()) {
        return false;
    }
    mac = devices_[index].mac;
    return true;
}

tDeviceEntry* tIPStack::deviceWith(const tMACAddress& mac) {
    for (tDeviceEntry& device : devices_) {
        if (device.mac == mac) {
            return &device;
        }
    }
    return nullptr;
}

bool tIPStack::hasDevice(const tMACAddress& mac) {
    return deviceWith(mac) != nullptr;
}

bool tIPStack::getSupportedDeviceModes(const tMACAddress& mac, std::uint32_t& modes) {
    const tDeviceEntry* device = deviceWith(mac);
    if (device == nullptr) {
        return false;
    }
    modes = device->driverEntry->deterministic ? kAllModes : kModesWithoutDeterministic;
    return true;
}

namespace {

bool readPair(tDeviceEntry* device, std::uint32_t first, std::uint32_t second,
              std::uint32_t* firstOut, std::uint32_t* secondOut) {
    if (device == nullptr) {
        return false;
    }
    nZUKORAEthernet100::tStatus status = 0;
    const std::uint32_t a = device->device->getParameter(first, &status);
    const std::uint32_t b = device->device->getParameter(second, &status);
    if (firstOut != nullptr) {
        *firstOut = a;
    }
    if (secondOut != nullptr) {
        *secondOut = b;
    }
    return status >= 0;
}

}  // namespace

bool tIPStack::getMediaModeInfo(const tMACAddress& mac, std::uint32_t* supported,
                                std::uint32_t* defaultMode) {
    return readPair(deviceWith(mac), nZUKORAEthernet100::kSupportedMediaModes,
                    nZUKORAEthernet100::kDefaultMediaMode, supported, defaultMode);
}

bool tIPStack::getOperationModeInfo(const tMACAddress& mac, std::uint32_t* supported,
                                    std::uint32_t* defaultMode) {
    return readPair(deviceWith(mac), nZUKORAEthernet100::kSupportedOperationModes,
                    nZUKORAEthernet100::kDefaultOperationMode, supported, defaultMode);
}

bool tIPStack::getPrimaryInterface(std::string& name) {
    if (primary_ == nullptr) {
        return false;
    }
    const TovTCPDeviceCfg* record = TovTCPGetDeviceCfg(primary_->handle);
    if (record == nullptr) {
        return false;
    }
    name.assign(record->interfaceName,
                strnlen(record->interfaceName, sizeof record->interfaceName));
    return !name.empty();
}

}  // namespace nIPStack
