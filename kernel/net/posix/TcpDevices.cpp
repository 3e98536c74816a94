// The TCP/IP stack's device table: records, host interfaces, IRQ lines, activation.
#include <net/if.h>
#include <netinet/in.h>

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "kernel/base/LastError.h"
#include "kernel/boot/DebugPrint.h"
#include "kernel/interrupts/InterruptVector.h"
#include "kernel/interrupts/IrqLine.h"
#include "kernel/net/TcpDevice.h"
#include "kernel/net/posix/HostInterfaceControl.h"
#include "kernel/net/posix/HostInterfaceWatch.h"
#include "kernel/net/posix/HostNetworkCache.h"
#include "kernel/net/posix/TcpDeviceTable.h"

namespace {

constexpr int kTraceLevel = 10;
constexpr int kErrorLevel = 5;

struct Device {
    DWORD handle = 0;
    std::string interfaceName;
    int ifindex = 0;
    DWORD irq = kTovNoIrq;
    TovTCPDeviceCfg settings{};  // as last written
    TovTCPDeviceCfg shown{};     // what TovTCPGetDeviceCfg hands out
    bool active = false;
    DWORD events = 0;      // interface events seen
    bool applied = false;  // activation put appliedAddress on the interface
    DWORD appliedAddress = 0;
    int appliedPrefix = 0;
};

struct Table {
    // The watch is started and stopped under its own lock, never under the table's, which
    // its thread takes to find the lines to raise.
    std::mutex watchLock;
    hostif::Watch watch;
    std::mutex lock;  // guards everything below
    std::map<DWORD, std::unique_ptr<Device>> devices;
    DWORD nextHandle = 1;
    bool manage = false;
};

Table& table() {
    static Table* t = new Table();  // lives as long as the process: the watch may still run
    return *t;
}

int fail(DWORD error) {
    SetLastError(error);
    return int(error);
}

Device* find(Table& t, DWORD handle) {
    auto it = t.devices.find(handle);
    return it == t.devices.end() ? nullptr : it->second.get();
}

bool traceOn(int level) {
    return TovMessageLevel("TCPIP") >= level;
}

std::string dotted(DWORD address) {
    const auto* b = reinterpret_cast<const unsigned char*>(&address);
    return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
           std::to_string(b[3]);
}

// The address and mask the device has now: a DHCP value is the host interface's.
void currentAddress(const Device& d, const hostif::NetworkView& network, DWORD* address,
                    DWORD* netmask) {
    *address = d.settings.address;
    *netmask = d.settings.netmask;
    if (*address == kTovTCPUseDHCP || *netmask == kTovTCPUseDHCP) {
        const hostif::AddressInfo* host = network.labelled(d.interfaceName.c_str());
        if (*address == kTovTCPUseDHCP) {
            *address = host != nullptr ? host->address : 0;
        }
        if (*netmask == kTovTCPUseDHCP) {
            *netmask = host != nullptr ? hostif::maskOf(host->prefixLength) : 0;
        }
    }
}

// Prefix length of a contiguous mask (network byte order); -1 for any other mask and for 0.
int prefixOf(DWORD netmask) {
    const DWORD m = ntohl(netmask);
    const DWORD hostBits = ~m;
    if (m == 0 || (hostBits & (hostBits + 1)) != 0) {
        return -1;
    }
    return __builtin_popcount(m);
}

// A unicast address that may stand on an interface.
bool assignable(DWORD address) {
    const DWORD a = ntohl(address);
    return a != 0xFFFFFFFFu && (a >> 28) != 0xE && (a >> 24) != 127 && (a >> 24) != 0;
}

void raiseLinesOf(int ifindex) {
    std::vector<DWORD> lines;
    {
        Table& t = table();
        std::lock_guard<std::mutex> hold(t.lock);
        for (const auto& entry : t.devices) {
            const Device& d = *entry.second;
            if (d.ifindex != ifindex) {
                continue;
            }
            ++entry.second->events;
            if (d.irq != kTovNoIrq) {
                lines.push_back(d.irq);
            }
        }
    }
    // Hooks run without the table's lock: a driver's routine may ask for its device.
    for (DWORD irq : lines) {
        TovRaiseIrq(irq);
    }
}

DWORD removeApplied(Device& d) {
    if (!d.applied) {
        return ERROR_SUCCESS;
    }
    DWORD error = hostif::removeAddress(d.ifindex, d.appliedAddress, d.appliedPrefix);
    if (error == ERROR_NOT_FOUND || error == ERROR_DEV_NOT_EXIST) {
        error = ERROR_SUCCESS;  // gone already
    }
    if (error == ERROR_SUCCESS) {
        d.applied = false;
        if (traceOn(kTraceLevel)) {
            TovDebugPrint("TCP/IP: device %u: %s/%d taken off %s\n", unsigned(d.handle),
                          dotted(d.appliedAddress).c_str(), d.appliedPrefix,
                          d.interfaceName.c_str());
        }
    } else if (traceOn(kErrorLevel)) {
        TovDebugPrint("TCP/IP: device %u: cannot take %s off %s (error %u)\n", unsigned(d.handle),
                      dotted(d.appliedAddress).c_str(), d.interfaceName.c_str(), unsigned(error));
    }
    return error;
}

// Brings the interface up and puts the record's static address on it.
DWORD applyToHost(Device& d) {
    const DWORD address = d.settings.address;
    const bool dhcp = address == kTovTCPUseDHCP;
    const bool hasStatic = !dhcp && address != 0;
    int prefix = 0;
    if (hasStatic) {
        prefix = prefixOf(d.settings.netmask);
        if (prefix < 0 || !assignable(address)) {
            return ERROR_INVALID_PARAMETER;
        }
    }
    DWORD error = hostif::bringUp(d.ifindex);
    if (error != ERROR_SUCCESS) {
        return error;
    }
    if (d.applied && (!hasStatic || d.appliedAddress != address || d.appliedPrefix != prefix)) {
        error = removeApplied(d);
        if (error != ERROR_SUCCESS) {
            return error;
        }
    }
    if (!hasStatic || d.applied) {
        return ERROR_SUCCESS;
    }
    error = hostif::addAddress(d.ifindex, address, prefix);
    if (error == ERROR_ALREADY_EXISTS) {
        return ERROR_SUCCESS;  // the host's own: deactivation leaves it alone
    }
    if (error != ERROR_SUCCESS) {
        return error;
    }
    d.applied = true;
    d.appliedAddress = address;
    d.appliedPrefix = prefix;
    if (traceOn(kTraceLevel)) {
        TovDebugPrint("TCP/IP: device %u: %s/%d put on %s\n", unsigned(d.handle),
                      dotted(address).c_str(), prefix, d.interfaceName.c_str());
    }
    return ERROR_SUCCESS;
}

}  // namespace

int TovTCPRegisterDevice(const TovTCPDeviceCfg* config, LPCSTR hostInterface, DWORD* handle) {
    if (handle == nullptr || hostInterface == nullptr ||
        std::strlen(hostInterface) >= sizeof(TovTCPDeviceCfg::interfaceName)) {
        return fail(ERROR_INVALID_PARAMETER);
    }
    const int ifindex = int(::if_nametoindex(hostInterface));
    if (ifindex == 0) {
        return fail(ERROR_DEV_NOT_EXIST);
    }
    auto d = std::make_unique<Device>();
    d->interfaceName = hostInterface;
    d->ifindex = ifindex;
    if (config != nullptr) {
        d->settings = *config;
    }
    Table& t = table();
    std::lock_guard<std::mutex> watching(t.watchLock);
    if (!t.watch.running() && !t.watch.start(raiseLinesOf) && traceOn(kErrorLevel)) {
        TovDebugPrint("TCP/IP: host interface events are not available\n");
    }
    std::lock_guard<std::mutex> hold(t.lock);
    d->handle = t.nextHandle++;
    d->irq = TovClaimIrqLine();
    if (traceOn(kTraceLevel)) {
        if (d->irq == kTovNoIrq) {
            TovDebugPrint("TCP/IP: device %u on %s, no IRQ line left\n", unsigned(d->handle),
                          hostInterface);
        } else {
            TovDebugPrint("TCP/IP: device %u on %s, IRQ %u\n", unsigned(d->handle), hostInterface,
                          unsigned(d->irq));
        }
    }
    *handle = d->handle;
    t.devices.emplace(d->handle, std::move(d));
    return 0;
}

int TovTCPUnregisterDevice(DWORD handle) {
    Table& t = table();
    std::lock_guard<std::mutex> watching(t.watchLock);
    {
        std::lock_guard<std::mutex> hold(t.lock);
        Device* d = find(t, handle);
        if (d == nullptr) {
            return fail(ERROR_INVALID_HANDLE);
        }
        removeApplied(*d);
        TovReleaseIrqLine(d->irq);
        t.devices.erase(handle);
        if (!t.devices.empty()) {
            return 0;
        }
    }
    t.watch.stop();
    return 0;
}

TovTCPDeviceCfg* TovTCPGetDeviceCfg(DWORD handle) {
    Table& t = table();
    std::lock_guard<std::mutex> hold(t.lock);
    Device* d = find(t, handle);
    if (d == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    TovTCPDeviceCfg shown = d->settings;
    std::memset(shown.interfaceName, 0, sizeof shown.interfaceName);
    std::memcpy(shown.interfaceName, d->interfaceName.data(), d->interfaceName.size());
    shown.irq = d->irq;
    shown.interfaceIndex = DWORD(d->ifindex);
    hostif::CurrentNetwork network;
    currentAddress(*d, *network, &shown.address, &shown.netmask);
    if (const hostif::LinkInfo* link = network->link(d->ifindex)) {
        std::memcpy(shown.mac, link->mac, sizeof shown.mac);
    }
    d->shown = shown;
    return &d->shown;
}

int TovTCPSetDeviceCfg(DWORD handle, const TovTCPDeviceCfg* config) {
    if (config == nullptr) {
        return fail(ERROR_INVALID_PARAMETER);
    }
    Table& t = table();
    std::lock_guard<std::mutex> hold(t.lock);
    Device* d = find(t, handle);
    if (d == nullptr) {
        return fail(ERROR_INVALID_HANDLE);
    }
    d->settings = *config;
    d->settings.hostName[sizeof d->settings.hostName - 1] = '\0';
    return 0;
}

int TovTCPActivateDevice(DWORD handle) {
    Table& t = table();
    std::lock_guard<std::mutex> hold(t.lock);
    Device* d = find(t, handle);
    if (d == nullptr) {
        return fail(ERROR_INVALID_HANDLE);
    }
    if (t.manage) {
        const DWORD error = applyToHost(*d);
        if (error != ERROR_SUCCESS) {
            if (traceOn(kErrorLevel)) {
                TovDebugPrint("TCP/IP: device %u: cannot configure %s (error %u)\n",
                              unsigned(handle), d->interfaceName.c_str(), unsigned(error));
            }
            return fail(error);
        }
    }
    d->active = true;
    if (traceOn(kTraceLevel)) {
        TovDebugPrint("TCP/IP: device %u active\n", unsigned(handle));
    }
    return 0;
}

int TovTCPDeactivateDevice(DWORD handle) {
    Table& t = table();
    std::lock_guard<std::mutex> hold(t.lock);
    Device* d = find(t, handle);
    if (d == nullptr) {
        return fail(ERROR_INVALID_HANDLE);
    }
    d->active = false;
    if (traceOn(kTraceLevel)) {
        TovDebugPrint("TCP/IP: device %u inactive\n", unsigned(handle));
    }
    const DWORD error = removeApplied(*d);
    return error == ERROR_SUCCESS ? 0 : fail(error);
}

int TovTCPGetDeviceStatus(DWORD handle, TovTCPDeviceStatus* status) {
    if (status == nullptr || status->size != sizeof(TovTCPDeviceStatus)) {
        return fail(ERROR_INVALID_PARAMETER);
    }
    Table& t = table();
    std::lock_guard<std::mutex> hold(t.lock);
    Device* d = find(t, handle);
    if (d == nullptr) {
        return fail(ERROR_INVALID_HANDLE);
    }
    hostif::CurrentNetwork network;
    currentAddress(*d, *network, &status->address, &status->netmask);
    status->flags = kTovTCPDeviceRegistered;
    const hostif::LinkInfo* link = network->link(d->ifindex);
    if (link != nullptr && (link->flags & (IFF_UP | IFF_RUNNING)) == (IFF_UP | IFF_RUNNING)) {
        status->flags |= kTovTCPDeviceLinkUp;
    }
    if (d->active) {
        status->flags |= kTovTCPDeviceActive;
    }
    return 0;
}

int TovTCPGetDeviceEventCount(DWORD handle, DWORD* count) {
    if (count == nullptr) {
        return fail(ERROR_INVALID_PARAMETER);
    }
    Table& t = table();
    std::lock_guard<std::mutex> hold(t.lock);
    Device* d = find(t, handle);
    if (d == nullptr) {
        return fail(ERROR_INVALID_HANDLE);
    }
    *count = d->events;
    return 0;
}

DWORD TovTCPFindDevice(LPCSTR hostInterface) {
    if (hostInterface == nullptr) {
        return 0;
    }
    Table& t = table();
    std::lock_guard<std::mutex> hold(t.lock);
    for (const auto& entry : t.devices) {  // ordered by handle
        if (entry.second->interfaceName == hostInterface) {
            return entry.first;
        }
    }
    return 0;
}

void TovTCPSetManageHostInterfaces(BOOL manage) {
    Table& t = table();
    std::lock_guard<std::mutex> hold(t.lock);
    t.manage = manage != FALSE;
}

BOOL TovTCPManagesHostInterfaces() {
    Table& t = table();
    std::lock_guard<std::mutex> hold(t.lock);
    return t.manage ? TRUE : FALSE;
}

int TovTCPDeviceInterfaceIndex(DWORD handle) {
    Table& t = table();
    std::lock_guard<std::mutex> hold(t.lock);
    Device* d = find(t, handle);
    return d == nullptr ? 0 : d->ifindex;
}
