// The TCP/IP stack's device bookkeeping. The host's stack carries the traffic; the kernel
// keeps what drivers and the IP stack service use: each device's record, its host network
// interface, its IRQ line and whether it is active. Calls that answer an int answer 0 on
// success and otherwise a Win32 error code, which is also left as the last error.
#pragma once

#include "kernel/base/Win32Types.h"
#include "kernel/net/TcpDeviceRecord.h"

// Registers a device carried by the host interface `hostInterface` with the record
// `config` (null: all zeros) and answers its handle (never 0, never reused). The device gets
// an IRQ line of its own where one is free; that line is raised whenever the interface
// changes (link up or down, an address added or removed). ERROR_DEV_NOT_EXIST when the host
// has no such interface.
int TovTCPRegisterDevice(const TovTCPDeviceCfg* config, LPCSTR hostInterface, DWORD* handle);
// Deactivates the device, returns its IRQ line and forgets it.
int TovTCPUnregisterDevice(DWORD handle);

// The stack's record of the device, valid until the device is unregistered; null with
// ERROR_INVALID_HANDLE for an unknown handle. An address or mask obtained by DHCP shows as
// the one the host interface has now (0 while it has none). Copy it before changing it.
TovTCPDeviceCfg* TovTCPGetDeviceCfg(DWORD handle);
// Replaces the device's settings; they take effect at the next activation.
int TovTCPSetDeviceCfg(DWORD handle, const TovTCPDeviceCfg* config);

// Marks the device active. When the stack manages host interfaces, the interface is also
// brought up and a static address and mask from the record are put on it (ERROR_INVALID_
// PARAMETER for an address or mask that cannot be applied). Activating an active device
// applies its record again.
int TovTCPActivateDevice(DWORD handle);
// Marks the device inactive and takes away the address its activation put on the interface.
int TovTCPDeactivateDevice(DWORD handle);
// Fills `status`, whose size field must be 16 (ERROR_INVALID_PARAMETER otherwise).
int TovTCPGetDeviceStatus(DWORD handle, TovTCPDeviceStatus* status);

// Interface events the device has seen since it was registered (its line is raised at each):
// a count that grows by one per event, for a driver that polls instead of taking the line.
int TovTCPGetDeviceEventCount(DWORD handle, DWORD* count);
// The first device registered on the host interface (lowest handle); 0 when it has none.
DWORD TovTCPFindDevice(LPCSTR hostInterface);

// Whether activation may change host interfaces (bring links up, apply static addresses).
// Off unless the kernel's command line turns it on.
void TovTCPSetManageHostInterfaces(BOOL manage);
BOOL TovTCPManagesHostInterfaces();
