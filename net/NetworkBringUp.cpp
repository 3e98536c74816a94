// The IP stack service's start: the primary device by the stack settings, then the listing
// of every device with the secondary ones brought up as configured.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/services/EmbeddedServices.h"
#include "app/services/Log.h"
#include "kernel/net/TcpDevice.h"
#include "kernel/net/TcpGlobalSettings.h"
#include "kernel/net/WinSock.h"
#include "kernel/time/Time.h"
#include "net/tIPStack.h"

namespace nIPStack {
namespace {

using nZUKORAEthernet100::tStatus;

constexpr const char kPrimaryFailure[] = "Unable to configure the primary network device.";
constexpr std::int32_t kLogError = 0;
constexpr std::int32_t kLogCode = 40;
constexpr std::int32_t kLogSubCode = 41;
constexpr DWORD kBeforeRebootMs = 10000;
constexpr DWORD kDnsRetries = 2;
constexpr DWORD kDnsTimeoutSeconds = 10;
constexpr std::size_t kHostNameMax = 32;

DWORD addressOf(bool dhcp, const std::string& text) {
    return dhcp ? kTovTCPUseDHCP : inet_addr(text.c_str());
}

void show(const char* text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
}

void rebootIfHaltOnError(iIPConfig& config) {
    if (!config.getHaltOnError()) {
        return;
    }
    show("Rebooting in 10 seconds for retry...\n");
    TovPacingSleep(kBeforeRebootMs);
    rx_fwk::EmbeddedServices::instance().rebootDueToSystemError();
}

}  // namespace

bool tIPStack::configureDevice(tDeviceEntry& entry) {
    nZUKORAEthernet100::iDevice& device = *entry.device;
    tStatus status = 0;
    const std::uint32_t supportedMedia =
        device.getParameter(nZUKORAEthernet100::kSupportedMediaModes, &status);
    const std::uint32_t defaultMedia =
        device.getParameter(nZUKORAEthernet100::kDefaultMediaMode, &status);
    const std::uint32_t supportedOperation =
        device.getParameter(nZUKORAEthernet100::kSupportedOperationModes, &status);
    const std::uint32_t defaultOperation =
        device.getParameter(nZUKORAEthernet100::kDefaultOperationMode, &status);
    if (status < 0) {
        return false;
    }

    std::int32_t media = 0;
    if (!config_->getMediaMode(entry.mac, &media, static_cast<std::int32_t>(defaultMedia))) {
        return false;
    }
    if ((static_cast<std::uint32_t>(media) & supportedMedia) == 0) {
        media = static_cast<std::int32_t>(defaultMedia);
    }
    device.setParameter(nZUKORAEthernet100::kMediaMode, static_cast<std::uint32_t>(media), &status);

    std::int32_t operation = 0;
    std::int32_t interval = 0;
    if (!config_->getOperationMode(entry.mac, &operation,
                                   static_cast<std::int32_t>(defaultOperation), &interval)) {
        return false;
    }
    if ((static_cast<std::uint32_t>(operation) & supportedOperation) == 0) {
        operation = static_cast<std::int32_t>(defaultOperation);
    }
    device.setParameter(nZUKORAEthernet100::kOperationMode, static_cast<std::uint32_t>(operation),
                        &status);
    if (operation == OperationPolled) {
        device.setParameter(nZUKORAEthernet100::kPollingInterval,
                            static_cast<std::uint32_t>(interval), &status);
    }
    return status >= 0;
}

bool tIPStack::bringUpPrimary(tDeviceEntry& entry) {
    entry.mode = DeviceTCPIP;
    if (!configureDevice(entry)) {
        return false;
    }
    const TovTCPDeviceCfg* current = TovTCPGetDeviceCfg(entry.handle);
    if (current == nullptr) {
        return false;
    }
    TovTCPDeviceCfg record = *current;

    TovTCPGlobalSettings global{};
    TovTCPGetGlobalSettings(&global);
    global.maxSockets = config_->getMaxSockets();
    bool dhcp = false;
    std::string address, mask, gateway, dns;
    config_->getTCPStackConfig(&dhcp, &address, &mask, &gateway, &dns);
    useDHCP_ = dhcp;
    global.dns = TovTCPDnsSettings{addressOf(dhcp, dns), kDnsRetries, kDnsTimeoutSeconds};
    global.gateway = TovTCPGatewaySettings{addressOf(dhcp, gateway), entry.handle};
    record.address = addressOf(dhcp, address);
    record.netmask = addressOf(dhcp, mask);

    std::string hostName;
    config_->getHostName(hostName);
    std::memset(record.hostName, 0, sizeof record.hostName);
    std::memcpy(record.hostName, hostName.data(), std::min(hostName.size(), kHostNameMax));

    TovTCPSetGlobalSettings(&global);
    if (TovTCPSetDeviceCfg(entry.handle, &record) != 0) {
        return false;
    }
    show("Initializing network...");
    WSADATA data{};
    if (WSAStartup(MAKEWORD(1, 1), &data) != 0) {
        show(" failed.\n");
        rebootIfHaltOnError(*config_);
        // Without halt-on-error the device stays inactive and the start goes on.
    } else {
        winsockStarted_ = true;
        show("\n");
        if (TovTCPActivateDevice(entry.handle) != 0) {
            return false;
        }
    }
    running_ = true;
    primary_ = &entry;
    return true;
}

bool tIPStack::bringUpSecondary(tDeviceEntry& entry, const std::string& address,
                                const std::string& mask) {
    if (!configureDevice(entry)) {
        return false;
    }
    const TovTCPDeviceCfg* current = TovTCPGetDeviceCfg(entry.handle);
    if (current == nullptr) {
        return false;
    }
    TovTCPDeviceCfg record = *current;
    record.address = inet_addr(address.c_str());
    record.netmask = inet_addr(mask.c_str());
    return TovTCPSetDeviceCfg(entry.handle, &record) == 0 &&
           TovTCPActivateDevice(entry.handle) == 0;
}

void tIPStack::reportPrimaryFailure() {
    std::printf("\t%s\n", kPrimaryFailure);
    std::fflush(stdout);
    rx_fwk::log(kLogError, kLogCode, kLogSubCode, kPrimaryFailure, nullptr);
    rebootIfHaltOnError(*config_);
}

void tIPStack::listDevices() {
    tMACAddress primaryMAC;
    config_->getPrimaryMAC(primaryMAC);
    for (std::size_t n = 0; n < devices_.size(); ++n) {
        tDeviceEntry& entry = devices_[n];
        std::printf("Device %d - MAC address: %s - ", static_cast<int>(n + 1),
                    entry.mac.displayText().c_str());
        if (entry.mac == primaryMAC) {
            std::printf("%s (primary)", getIPAddress().c_str());
        } else {
            std::int32_t mode = 0;
            std::string address, mask;
            bool ok = config_->getDeviceSettings(entry.mac, mode, address, mask);
            if (ok) {
                entry.mode = static_cast<std::uint32_t>(mode);
            }
            const bool configured = config_->isIPConfigured();
            if (ok && mode == DeviceTCPIP && configured) {
                ok = bringUpSecondary(entry, address, mask);
            }
            if (!ok) {
                std::fputs("failed", stdout);
            } else if (mode == DeviceDisabled) {
                std::fputs("disabled", stdout);
            } else if (mode == DeviceTCPIP) {
                std::fputs(configured ? address.c_str() : "disabled", stdout);
            } else if (mode == DeviceDeterministic) {
                std::fputs("deterministic", stdout);
            }
        }
        std::fputs("\n", stdout);
        std::fflush(stdout);
    }
}

bool tIPStack::start() {
    initializeOnce();
    if (running_) {
        return true;
    }
    tMACAddress primaryMAC;
    config_->getPrimaryMAC(primaryMAC);
    tDeviceEntry* primary = deviceWith(primaryMAC);
    if (primary == nullptr || !bringUpPrimary(*primary)) {
        reportPrimaryFailure();
    }
    listDevices();
    return running_;
}

}  // namespace nIPStack
