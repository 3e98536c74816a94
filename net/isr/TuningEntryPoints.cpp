#include "net/isr/TuningEntryPoints.h"

WORD SetENetSpeedSettings(...) {
    return 1;
}
WORD SetENetPollingMode(...) {
    return 1;
}
WORD SetNewTTLFieldValue(...) {
    return 1;
}
WORD SetNewTTLTimeoutValue(...) {
    return 1;
}
WORD SetPerformanceManagerDelay(...) {
    return 1;
}
