// The TCP/IP stack's records of a network device: its configuration record (378 bytes, as
// drivers and the IP stack service pass it) and its status record (16 bytes).
#pragma once

#include <cstddef>

#include "kernel/base/Win32Types.h"

// An address, mask, gateway or DNS server that the host's DHCP client supplies.
constexpr DWORD kTovTCPUseDHCP = 0xFDFFFFFF;

#pragma pack(push, 2)
struct TovTCPDeviceCfg {
    // Filled in by the stack on every read; what a caller writes here is ignored.
    char interfaceName[16];  // the host network interface that carries the device
    DWORD irq;               // IRQ line raised on the interface's events; kTovNoIrq if none
    DWORD interfaceIndex;    // the host's index of that interface
    // The device's settings.
    DWORD address;        // IPv4, network byte order; kTovTCPUseDHCP for DHCP
    DWORD netmask;        // network byte order; kTovTCPUseDHCP for DHCP
    DWORD ipEnabled;      // 1 when IP runs on the device (drivers pass 1)
    BYTE mac[6];          // the interface's hardware address (filled in by the stack)
    WORD reserved0;       //
    DWORD reserved1[2];   //
    char hostName[64];    // terminated
    BYTE reserved2[262];  //
};
#pragma pack(pop)
static_assert(sizeof(TovTCPDeviceCfg) == 378, "the device record is 378 bytes");
static_assert(offsetof(TovTCPDeviceCfg, irq) == 16);
static_assert(offsetof(TovTCPDeviceCfg, address) == 24);
static_assert(offsetof(TovTCPDeviceCfg, netmask) == 28);
static_assert(offsetof(TovTCPDeviceCfg, ipEnabled) == 32);
static_assert(offsetof(TovTCPDeviceCfg, mac) == 36);
static_assert(offsetof(TovTCPDeviceCfg, hostName) == 52);

// Bits of TovTCPDeviceStatus::flags.
constexpr DWORD kTovTCPDeviceRegistered = 0x1;
constexpr DWORD kTovTCPDeviceLinkUp = 0x2;  // the host interface has a carrier
constexpr DWORD kTovTCPDeviceActive = 0x4;  // activated and not deactivated since

struct TovTCPDeviceStatus {
    DWORD size;     // sizeof(TovTCPDeviceStatus), set by the caller
    DWORD address;  // the address the device has now (network byte order), 0 when none
    DWORD netmask;  //
    DWORD flags;    // kTovTCPDevice...
};
static_assert(sizeof(TovTCPDeviceStatus) == 16, "the status record is 16 bytes");
static_assert(offsetof(TovTCPDeviceStatus, flags) == 12);
