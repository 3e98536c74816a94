#include "net/ipConfig.h"

#include <atomic>

#include "net/tIPStack.h"

namespace nIPStack {
namespace {

std::atomic<iMultiDeviceIPConfig*> gInstalled{nullptr};

}  // namespace

iMultiDeviceIPConfig& ipConfig() {
    if (iMultiDeviceIPConfig* installed = gInstalled.load()) {
        return *installed;
    }
    return *tIPStack::instance().getConfig();
}

void installIPConfig(iMultiDeviceIPConfig* config) {
    gInstalled.store(config);
}

}  // namespace nIPStack
