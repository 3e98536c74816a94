#include "net/NetworkInfo.h"

namespace rx_fwk {
namespace {

// No Ethernet device and no static address.
class NoNetwork final : public NetworkInfo {
public:
    bool getFirstMACAddress(std::uint8_t*) override { return false; }
    bool isIPConfigured() override { return false; }
};

NetworkInfo* gProvider = nullptr;

}  // namespace

NetworkInfo& NetworkInfo::instance() {
    static NoNetwork standIn;
    return gProvider != nullptr ? *gProvider : standIn;
}

void NetworkInfo::install(NetworkInfo* provider) {
    gProvider = provider;
}

}  // namespace rx_fwk
