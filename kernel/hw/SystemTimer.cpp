// The system timer. The host clocks keep the time here, so no interrupt drives the tick
// table; the kernel keeps it in the mode the controller's timer interrupt would run in.
#include "kernel/hw/SystemTimer.h"

#include <mutex>

#include "kernel/hw/TickTable.h"

namespace {
std::mutex gLock;
TovTickTable gTable;
}  // namespace

BOOL TovSetLegacyTickTimer(BOOL legacy) {
    std::lock_guard<std::mutex> hold(gLock);
    gTable.setLegacy(legacy != FALSE);
    return TRUE;
}

BOOL TovIsLegacyTickTimer() {
    std::lock_guard<std::mutex> hold(gLock);
    return gTable.legacy() ? TRUE : FALSE;
}
