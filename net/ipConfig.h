// The process-wide IP configuration: the one way the application reaches it.
//
// Until the IP stack service exists it is built here, on first use, from the MAC addresses
// of the network stand-in's devices (NetworkInfo). The IP stack service builds it from its
// device table during its one-time initialisation and owns it; ipConfig() then answers
// tIPStack::getConfig() and the stand-in's construction below goes.
#pragma once

#include "net/iMultiDeviceIPConfig.h"

namespace nIPStack {

iMultiDeviceIPConfig& ipConfig();

// Tests: answer another configuration (null restores the process-wide one); the caller
// keeps ownership.
void installIPConfig(iMultiDeviceIPConfig* config);

}  // namespace nIPStack
