// Statuses the drivers of this image store (the refusals of getDriverObject are in
// net/iDriver.h), and the interface version they implement.
#pragma once

#include "net/iDriver.h"

namespace lbdriver {

constexpr std::uint32_t kDriverInterfaceVersion = nZUKORAEthernet100::kHostInterfaceVersion;

constexpr nZUKORAEthernet100::tStatus kStatusBadParameter = -10;  // no such parameter or value
constexpr nZUKORAEthernet100::tStatus kStatusNoInterface = -11;   // its host interface is gone
constexpr nZUKORAEthernet100::tStatus kStatusNoSuchDevice = -12;  // index beyond the count
constexpr nZUKORAEthernet100::tStatus kStatusNotUp = -13;         // used before initializeDevice

// Stores a failure unless an earlier one is there already.
inline void failWith(nZUKORAEthernet100::tStatus* status, nZUKORAEthernet100::tStatus code) {
    if (*status >= 0) {
        *status = code;
    }
}

}  // namespace lbdriver
