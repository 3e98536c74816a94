// Ethernet drivers for the loader's tests, one DLL per behaviour (chosen when built):
//   TESTDRV_DEVICES      devices it reports (registered on the loopback interface)
//   TESTDRV_FAIL_DEVICE  index whose getDevice fails (-1: none)
//   TESTDRV_VERSION      its own interface version
//   TESTDRV_INIT_FAILS   initializeDriver fails
//   TESTDRV_MAC          fifth byte of its devices' MACs 02:00:00:00:MAC:n (n from 1)
// Without TESTDRV_ENTRY it exports no getDriverObject.
#include <cstring>

#include "kernel/module/DllExport.h"
#include "kernel/net/TcpDevice.h"
#include "net/iDevice.h"
#include "net/iDriver.h"

namespace {

using nZUKORAEthernet100::iDevice;
using nZUKORAEthernet100::iDriver;
using nZUKORAEthernet100::tStatus;

constexpr tStatus kFailed = -7;
constexpr int kDevices = TESTDRV_DEVICES;
constexpr int kParameters = 7;

class TestDevice final : public iDevice {
public:
    void setIndex(unsigned index) {
        const std::uint8_t mac[6] = {0x02, 0,           0,
                                     0,    TESTDRV_MAC, static_cast<std::uint8_t>(index + 1)};
        std::memcpy(mac_, mac, sizeof mac_);
    }
    void initializeDevice(tOSSpecificParameter* parameter, const std::uint8_t*,
                          tStatus* status) override {
        if (*status < 0) {
            return;
        }
        if (handle_ != 0) {
            TovTCPUnregisterDevice(handle_);
        }
        DWORD handle = 0;
        if (TovTCPRegisterDevice(parameter->deviceConfig, "lo", &handle) != 0) {
            *status = kFailed;
            return;
        }
        handle_ = handle;
        parameter->handle = handle;
        std::memset(set_, 0, sizeof set_);
    }
    std::uint32_t getParameter(std::uint32_t parameter, tStatus* status) override {
        if (*status < 0) {
            return 0;
        }
        switch (parameter) {
            case nZUKORAEthernet100::kSupportedMediaModes:
                return 0x1F;  // auto, 10 and 100 Mbit/s
            case nZUKORAEthernet100::kDefaultMediaMode:
                return 1;
            case nZUKORAEthernet100::kSupportedOperationModes:
                return 3;
            case nZUKORAEthernet100::kDefaultOperationMode:
                return 1;
            default:
                *status = kFailed;
                return 0;
        }
    }
    void setParameter(std::uint32_t parameter, std::uint32_t value, tStatus* status) override {
        if (*status < 0) {
            return;
        }
        if (parameter >= kParameters) {
            *status = kFailed;
            return;
        }
        set_[parameter] = value;
    }
    const std::uint8_t* getMACAddress(std::uint8_t*, tStatus* status) override {
        return *status < 0 ? nullptr : mac_;
    }

    std::uint32_t set_[kParameters] = {};

private:
    std::uint8_t mac_[6] = {};
    DWORD handle_ = 0;
};

#if TESTDRV_DEVICES > 0
TestDevice gDevices[TESTDRV_DEVICES];
#else
TestDevice* gDevices = nullptr;
#endif

class TestDriver final : public iDriver {
public:
    void initializeDriver(tOSSpecificParameter*, tStatus* status) override {
        if (*status < 0) {
            return;
        }
        if (TESTDRV_INIT_FAILS) {
            *status = kFailed;
        }
    }
    std::uint32_t getNumberOfDevices(tStatus* status) override {
        return *status < 0 ? 0 : static_cast<std::uint32_t>(kDevices);
    }
    iDevice* getDevice(std::uint32_t index, tStatus* status) override {
        if (*status < 0) {
            return nullptr;
        }
        ++calls;
        if (static_cast<int>(index) == TESTDRV_FAIL_DEVICE || static_cast<int>(index) >= kDevices) {
            *status = kFailed;
            return nullptr;
        }
        gDevices[index].setIndex(index);
        return &gDevices[index];
    }
    unsigned calls = 0;
};

TestDriver gDriver;

}  // namespace

#ifdef TESTDRV_ENTRY
TOV_DLL_EXPORT iDriver* getDriverObject(std::uint32_t host, std::uint32_t minimum,
                                        tStatus* status) {
    return nZUKORAEthernet100::driverVersionsFit(host, minimum, TESTDRV_VERSION, status) ? &gDriver
                                                                                         : nullptr;
}
#endif

// What the loader set on a device (a parameter id), and how many getDevice calls did work.
TOV_DLL_EXPORT std::uint32_t lbtestSetting(unsigned device, unsigned parameter) {
    return static_cast<int>(device) < kDevices && parameter < kParameters
               ? gDevices[device].set_[parameter]
               : 0;
}
TOV_DLL_EXPORT unsigned lbtestGetDeviceCalls() {
    return gDriver.calls;
}
