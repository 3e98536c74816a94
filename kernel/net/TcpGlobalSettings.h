// The TCP/IP stack's global settings: the socket limit, the DNS server and the default
// gateway.
#pragma once

#include "kernel/base/Win32Types.h"

struct TovTCPDnsSettings {
    DWORD server;          // network byte order; kTovTCPUseDHCP for DHCP
    DWORD retries;         // queries per name
    DWORD timeoutSeconds;  // per query
};

struct TovTCPGatewaySettings {
    DWORD address;  // network byte order; kTovTCPUseDHCP for DHCP
    DWORD device;   // handle of the device that leads to it
};

struct TovTCPGlobalSettings {
    LONG maxSockets;  // open sockets WinSock allows; 0 or less: the default, 64
    TovTCPDnsSettings dns;
    TovTCPGatewaySettings gateway;
};

// A gateway obtained by DHCP shows as the host's default route through the gateway
// device's interface (0 when there is none); a DNS server obtained by DHCP as 0, as the
// stack has no resolver to use one. Both answer 0 on success, ERROR_INVALID_PARAMETER for
// a null record.
int TovTCPGetGlobalSettings(TovTCPGlobalSettings* settings);
int TovTCPSetGlobalSettings(const TovTCPGlobalSettings* settings);
