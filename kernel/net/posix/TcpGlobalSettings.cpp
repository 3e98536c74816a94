// The TCP/IP stack's global settings; the socket limit is WinSock's.
#include "kernel/net/TcpGlobalSettings.h"

#include <mutex>

#include "kernel/base/LastError.h"
#include "kernel/net/TcpDeviceRecord.h"
#include "kernel/net/WinSock.h"
#include "kernel/net/posix/HostInterfaceControl.h"
#include "kernel/net/posix/TcpDeviceTable.h"

namespace {

struct Settings {
    std::mutex lock;
    TovTCPDnsSettings dns{0, 2, 10};
    TovTCPGatewaySettings gateway{0, 0};
};

Settings& settings() {
    static Settings s;
    return s;
}

}  // namespace

int TovTCPGetGlobalSettings(TovTCPGlobalSettings* out) {
    if (out == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return int(ERROR_INVALID_PARAMETER);
    }
    Settings& s = settings();
    {
        std::lock_guard<std::mutex> hold(s.lock);
        out->dns = s.dns;
        out->gateway = s.gateway;
    }
    out->maxSockets = TovGetMaxSockets();
    if (out->dns.server == kTovTCPUseDHCP) {
        out->dns.server = 0;
    }
    if (out->gateway.address == kTovTCPUseDHCP) {
        const int ifindex =
            out->gateway.device == 0 ? 0 : TovTCPDeviceInterfaceIndex(out->gateway.device);
        out->gateway.address = hostif::defaultGateway(ifindex);
    }
    return 0;
}

int TovTCPSetGlobalSettings(const TovTCPGlobalSettings* in) {
    if (in == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return int(ERROR_INVALID_PARAMETER);
    }
    Settings& s = settings();
    {
        std::lock_guard<std::mutex> hold(s.lock);
        s.dns = in->dns;
        s.gateway = in->gateway;
    }
    TovSetMaxSockets(in->maxSockets);
    return 0;
}
