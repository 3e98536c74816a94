// PCI: finding functions by vendor and device id or by class, reading their configuration
// space, their base address registers and the host network interface bound to them.
#pragma once

#include "kernel/base/Win32Types.h"

// Where a function sits: segment (PCI domain), bus, device 0-31, function 0-7.
struct TovPCIAddress {
    DWORD segment;
    BYTE bus;
    BYTE device;
    BYTE function;
};

// What the PCI BIOS query reports.
struct TovPCIBiosInfo {
    BYTE majorVersion;
    BYTE minorVersion;
    BYTE hardwareMechanism;  // bit 0: configuration mechanism #1
    BYTE lastBus;            // highest bus number present
};

// A base address register as the host assigned it.
struct TovPCIBar {
    ULONGLONG base;  // 0 for an unused register
    ULONGLONG size;  // bytes; 0 for an unused register
    DWORD flags;     // TOV_PCI_BAR_*
};

constexpr DWORD TOV_PCI_BAR_IO = 0x1;            // I/O ports (else memory)
constexpr DWORD TOV_PCI_BAR_PREFETCHABLE = 0x2;  // memory that can be prefetched
constexpr DWORD TOV_PCI_BAR_64BIT = 0x4;         // a 64-bit memory register (takes two)

constexpr DWORD kTovPCIBarCount = 6;
constexpr DWORD kTovPCIConfigSize = 4096;

// Every call fails the Win32 way. A function that does not exist: ERROR_DEV_NOT_EXIST.

// TRUE when the host has a PCI bus with at least one function; ERROR_NOT_SUPPORTED otherwise.
BOOL TovPCIInit();
// The PCI BIOS query: present (TRUE) with version 2.10 and configuration mechanism #1 when
// the host has a PCI bus.
BOOL TovPCIBiosPresent(TovPCIBiosInfo* info);

// The `index`th function (from 0, in bus order) with this vendor and device id. A vendor id
// of 0xFFFF is no vendor (ERROR_INVALID_PARAMETER); past the last match ERROR_DEV_NOT_EXIST.
BOOL TovPCIFindDevice(WORD vendorId, WORD deviceId, DWORD index, TovPCIAddress* address);
// The same by the 24-bit class code (base class, subclass, programming interface).
BOOL TovPCIFindClass(DWORD classCode, DWORD index, TovPCIAddress* address);

// Configuration space reads, at an offset below kTovPCIConfigSize aligned to the size read
// (ERROR_INVALID_PARAMETER otherwise). Little-endian as on the bus. What the host does not
// let the kernel read fails with ERROR_READ_FAULT.
BOOL TovPCIReadConfigByte(const TovPCIAddress* address, DWORD offset, BYTE* value);
BOOL TovPCIReadConfigWord(const TovPCIAddress* address, DWORD offset, WORD* value);
BOOL TovPCIReadConfigDword(const TovPCIAddress* address, DWORD offset, DWORD* value);

// Base address register 0-5 as the host assigned it.
BOOL TovPCIGetBar(const TovPCIAddress* address, DWORD index, TovPCIBar* bar);

// The host network interface bound to the function ("eth0"), copied and terminated; its
// length. 0 with ERROR_NOT_FOUND when none is bound, ERROR_INSUFFICIENT_BUFFER when it does
// not fit.
DWORD TovPCIGetNetInterface(const TovPCIAddress* address, LPSTR name, DWORD size);
