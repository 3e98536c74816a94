// Tuning entry points that drivers may call: they take whatever they are given and change
// nothing here.
#pragma once

#include "kernel/base/Win32Types.h"

extern "C" {

WORD SetENetSpeedSettings(...);
WORD SetENetPollingMode(...);
WORD SetNewTTLFieldValue(...);
WORD SetNewTTLTimeoutValue(...);
WORD SetPerformanceManagerDelay(...);
}
