// Local time is UTC until the time-zone rules of the TZ variable are applied here.
#include "kernel/TimeZone.h"

std::int64_t TovLocalBiasSeconds(std::int64_t) {
    return 0;
}
