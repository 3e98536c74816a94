#include "net/ipStack.h"

#include <atomic>

#include "net/tIPStack.h"

namespace nIPStack {
namespace {

std::atomic<iMultiDeviceIPStack*> gInstalled{nullptr};

}  // namespace

iMultiDeviceIPStack& ipStack() {
    if (iMultiDeviceIPStack* installed = gInstalled.load()) {
        return *installed;
    }
    return tIPStack::instance();
}

void installIPStack(iMultiDeviceIPStack* stack) {
    gInstalled.store(stack);
}

}  // namespace nIPStack
