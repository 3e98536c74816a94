// Telling the host our address after an install reboot.
#include "app/services/EmbeddedServices.h"

namespace rx_fwk {

bool EmbeddedServices::notifyHost() {
    if (installHost_.empty()) {
        return false;
    }
    // Needs the socket wrappers; until they exist nobody is told.
    return false;
}

}  // namespace rx_fwk
