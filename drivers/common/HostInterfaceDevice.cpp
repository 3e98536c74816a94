#include "drivers/common/HostInterfaceDevice.h"

#include <cstdio>
#include <cstring>

#include "drivers/common/DriverStatus.h"
#include "kernel/boot/DebugPrint.h"
#include "kernel/interrupts/InterruptVector.h"
#include "kernel/net/HostInterface.h"
#include "kernel/net/TcpDevice.h"
#include "net/isr/IntManager.h"
#include "net/isr/tPollingManager.h"

namespace lbdriver {
namespace {

using nZUKORAEthernet100::tStatus;

constexpr std::uint32_t kMediaAuto = 1;
constexpr std::uint32_t kInterrupt = 1;
constexpr std::uint32_t kPolled = 2;
constexpr int kTraceLevel = 10;

struct LinkMedia {
    DWORD link;
    std::uint32_t media;
    DWORD speed;
    bool full;
};

const LinkMedia kLinkMedia[] = {
    {TOV_LINK_10_HALF, 2, 10, false},      {TOV_LINK_10_FULL, 4, 10, true},
    {TOV_LINK_100_HALF, 8, 100, false},    {TOV_LINK_100_FULL, 16, 100, true},
    {TOV_LINK_1000_HALF, 32, 1000, false}, {TOV_LINK_1000_FULL, 64, 1000, true},
};

bool tracing() {
    return TovMessageLevel("Ethernet") >= kTraceLevel;
}

std::string dotted(DWORD address) {
    const auto* b = reinterpret_cast<const unsigned char*>(&address);
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
    return text;
}

bool findInterface(const std::string& name, TovHostInterface& found) {
    for (const TovHostInterface& i : TovListHostInterfaces()) {
        if (i.name == name) {
            found = i;
            return true;
        }
    }
    return false;
}

}  // namespace

HostInterfaceDevice::HostInterfaceDevice(std::string interfaceName)
    : name_(std::move(interfaceName)) {
    TovHostInterface found;
    if (findInterface(name_, found)) {
        std::memcpy(mac_, found.mac, sizeof mac_);
    }
}

void HostInterfaceDevice::readLink() {
    TovHostLinkModes link;
    supportedMedia_ = 0;
    defaultMedia_ = 0;
    if (TovHostInterfaceLinkModes(name_.c_str(), &link)) {
        for (const LinkMedia& m : kLinkMedia) {
            if (link.supported & m.link) {
                supportedMedia_ |= m.media;
            }
        }
        if (link.autoNegotiation) {
            supportedMedia_ |= kMediaAuto;
        }
        if (supportedMedia_ != 0) {
            if (link.negotiating && (supportedMedia_ & kMediaAuto) != 0) {
                defaultMedia_ = kMediaAuto;
            }
            for (const LinkMedia& m : kLinkMedia) {
                if (defaultMedia_ == 0 && (supportedMedia_ & m.media) != 0 &&
                    link.speed == m.speed && link.fullDuplex == m.full) {
                    defaultMedia_ = m.media;
                }
            }
            if (defaultMedia_ == 0) {
                defaultMedia_ = supportedMedia_ & (~supportedMedia_ + 1);  // the lowest mode
            }
        }
    }
    if (supportedMedia_ == 0) {
        supportedMedia_ = kMediaAuto;  // a link that reports nothing negotiates for itself
        defaultMedia_ = kMediaAuto;
    }
    media_ = defaultMedia_;
}

void HostInterfaceDevice::leaveOperationMode() {
    if (operation_ == kInterrupt) {
        rxfwk_isr::IntManager::Instance()->Unregister(this);
    } else if (operation_ == kPolled) {
        rxfwk_isr::tPollingManager::Instance()->UnregisterIntHandler(this);
    }
    operation_ = 0;
}

void HostInterfaceDevice::initializeDevice(tOSSpecificParameter* parameter,
                                           const std::uint8_t macOverride[6], tStatus* status) {
    if (*status < 0) {
        return;
    }
    if (parameter == nullptr || parameter->deviceConfig == nullptr) {
        failWith(status, kStatusBadParameter);
        return;
    }
    if (handle_ != 0) {
        leaveOperationMode();
        TovTCPUnregisterDevice(handle_);
        handle_ = 0;
    }
    TovHostInterface found;
    DWORD handle = 0;
    if (!findInterface(name_, found) ||
        TovTCPRegisterDevice(parameter->deviceConfig, name_.c_str(), &handle) != 0) {
        failWith(status, kStatusNoInterface);
        return;
    }
    handle_ = handle;
    parameter->handle = handle;
    std::memcpy(mac_, found.mac, sizeof mac_);
    static const std::uint8_t kNone[6] = {};
    if (macOverride != nullptr && std::memcmp(macOverride, kNone, sizeof kNone) != 0) {
        std::memcpy(mac_, macOverride, sizeof mac_);
    }
    const TovTCPDeviceCfg* record = TovTCPGetDeviceCfg(handle_);
    irq_ = record != nullptr ? record->irq : kTovNoIrq;
    hasLine_ = irq_ != kTovNoIrq;
    DWORD events = 0;
    TovTCPGetDeviceEventCount(handle_, &events);
    seenEvents_ = events;
    lastFlags_ = 0;
    lastAddress_ = 0;
    readLink();
}

std::uint32_t HostInterfaceDevice::getParameter(std::uint32_t parameter, tStatus* status) {
    if (*status < 0) {
        return 0;
    }
    if (handle_ == 0) {
        failWith(status, kStatusNotUp);
        return 0;
    }
    switch (parameter) {
        case nZUKORAEthernet100::kSupportedMediaModes:
            return supportedMedia_;
        case nZUKORAEthernet100::kDefaultMediaMode:
            return defaultMedia_;
        case nZUKORAEthernet100::kSupportedOperationModes:
            return hasLine_ ? kInterrupt | kPolled : kPolled;
        case nZUKORAEthernet100::kDefaultOperationMode:
            return hasLine_ ? kInterrupt : kPolled;
        default:
            failWith(status, kStatusBadParameter);
            return 0;
    }
}

void HostInterfaceDevice::setParameter(std::uint32_t parameter, std::uint32_t value,
                                       tStatus* status) {
    if (*status < 0) {
        return;
    }
    if (handle_ == 0) {
        failWith(status, kStatusNotUp);
        return;
    }
    switch (parameter) {
        case nZUKORAEthernet100::kMediaMode:
            // The host's driver keeps the link's own settings; the mode is the device's
            // record of what was asked.
            if ((value & supportedMedia_) == 0 || (value & (value - 1)) != 0) {
                failWith(status, kStatusBadParameter);
                return;
            }
            media_ = value;
            return;
        case nZUKORAEthernet100::kOperationMode:
            if (value == operation_) {
                return;
            }
            if (value == kInterrupt && hasLine_) {
                leaveOperationMode();
                if (!rxfwk_isr::IntManager::Instance()->Register(this,
                                                                 static_cast<std::uint8_t>(irq_))) {
                    failWith(status, kStatusBadParameter);
                    return;
                }
            } else if (value == kPolled) {
                leaveOperationMode();
                if (rxfwk_isr::tPollingManager::Instance()->RegisterIntHandler(this) != 0) {
                    failWith(status, kStatusBadParameter);
                    return;
                }
            } else {
                failWith(status, kStatusBadParameter);
                return;
            }
            operation_ = value;
            return;
        case nZUKORAEthernet100::kPollingInterval:
            if (operation_ != kPolled) {
                failWith(status, kStatusBadParameter);
                return;
            }
            PollingManagerSetDelay(static_cast<int>(value));
            return;
        default:
            failWith(status, kStatusBadParameter);
            return;
    }
}

const std::uint8_t* HostInterfaceDevice::getMACAddress(std::uint8_t scratch[6], tStatus* status) {
    if (*status < 0) {
        return nullptr;
    }
    if (scratch != nullptr) {
        std::memcpy(scratch, mac_, sizeof mac_);
    }
    return mac_;
}

void HostInterfaceDevice::Service(std::uint32_t) {
    DWORD events = 0;
    if (TovTCPGetDeviceEventCount(handle_, &events) != 0) {
        return;
    }
    seenEvents_ = events;
    ++served_;
    TovTCPDeviceStatus now{};
    now.size = sizeof now;
    if (TovTCPGetDeviceStatus(handle_, &now) != 0) {
        return;
    }
    if ((now.flags & kTovTCPDeviceLinkUp) != (lastFlags_ & kTovTCPDeviceLinkUp) ||
        now.address != lastAddress_) {
        if (tracing()) {
            TovDebugPrint("Ethernet: %s: link %s, address %s\n", name_.c_str(),
                          (now.flags & kTovTCPDeviceLinkUp) ? "up" : "down",
                          dotted(now.address).c_str());
        }
        lastFlags_ = now.flags;
        lastAddress_ = now.address;
    }
}

bool HostInterfaceDevice::Poll() {
    DWORD events = 0;
    return TovTCPGetDeviceEventCount(handle_, &events) == 0 && events != seenEvents_.load();
}

}  // namespace lbdriver
