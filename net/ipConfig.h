// The process-wide IP configuration: the one way the application reaches it. The IP stack
// service builds it from its device table during its one-time initialisation and owns it.
#pragma once

#include "net/iMultiDeviceIPConfig.h"

namespace nIPStack {

// The IP stack service's configuration (tIPStack::instance().getConfig()), unless a test
// installed another.
iMultiDeviceIPConfig& ipConfig();

// Tests: answer another configuration (null restores the process-wide one); the caller
// keeps ownership.
void installIPConfig(iMultiDeviceIPConfig* config);

}  // namespace nIPStack
