// A stand-in for the IP stack service in tests: a first device with a fixed MAC (or none)
// and settable addresses; installed as the process-wide stack for its lifetime.
#pragma once

#include <cstdint>
#include <string>

#include "net/ipStack.h"

namespace lbtest {

class FakeIPStack : public nIPStack::iMultiDeviceIPStack {
public:
    explicit FakeIPStack(const std::uint8_t* mac) : hasDevice_(mac != nullptr) {
        if (mac != nullptr) {
            mac_ = nIPStack::tMACAddress(mac);
        }
        nIPStack::installIPStack(this);
    }
    ~FakeIPStack() override { nIPStack::installIPStack(nullptr); }
    FakeIPStack(const FakeIPStack&) = delete;
    FakeIPStack& operator=(const FakeIPStack&) = delete;

    bool start() override { return true; }
    bool stop() override { return true; }
    bool isRunning() override { return true; }

    bool getFirstMACAddress(nIPStack::tMACAddress& mac) override {
        if (hasDevice_) {
            mac = mac_;
        }
        return hasDevice_;
    }
    void getIPSettings(bool* dhcpOut, std::string* addressOut, std::string* maskOut,
                       std::string* gatewayOut, std::string* dnsOut) override {
        if (dhcpOut != nullptr) {
            *dhcpOut = dhcp;
        }
        if (addressOut != nullptr) {
            *addressOut = address;
        }
        if (maskOut != nullptr) {
            *maskOut = mask;
        }
        if (gatewayOut != nullptr) {
            *gatewayOut = gateway;
        }
        if (dnsOut != nullptr) {
            *dnsOut = dns;
        }
    }
    std::string getIPAddress() override { return address; }

    unsigned getDeviceCount() override { return hasDevice_ ? 1 : 0; }
    bool getDeviceMACAddress(unsigned index, nIPStack::tMACAddress& mac) override {
        return index == 0 && getFirstMACAddress(mac);
    }
    bool hasDevice(const nIPStack::tMACAddress& mac) override { return hasDevice_ && mac == mac_; }
    bool getSupportedDeviceModes(const nIPStack::tMACAddress&, std::uint32_t&) override {
        return false;
    }
    bool getMediaModeInfo(const nIPStack::tMACAddress&, std::uint32_t*, std::uint32_t*) override {
        return false;
    }
    bool getOperationModeInfo(const nIPStack::tMACAddress&, std::uint32_t*,
                              std::uint32_t*) override {
        return false;
    }

    bool dhcp = true;
    std::string address = "192.168.0.7", mask = "255.255.255.0", gateway = "192.168.0.1",
                dns = "10.1.2.3";

private:
    bool hasDevice_;
    nIPStack::tMACAddress mac_;
};

}  // namespace lbtest
