// The IP settings a user asks a controller to store, checked before anything is sent: the
// set-ip command and the manifests of apply give them the same way.
#pragma once

#include <string>

#include "tools/tesselcfg/IpConfigRequest.h"

namespace tesselcfg {

// Static settings from ADDRESS/PREFIX and an optional gateway and DNS server (empty: none,
// stored as 0.0.0.0). Why they cannot be stored, empty when they can; `change` then carries
// them.
std::string staticIpSettings(const std::string& address, const std::string& gateway,
                             const std::string& dns, IpChange& change);

// "DHCP", or "static 10.0.0.5/24, gateway 10.0.0.1, DNS server 0.0.0.0".
std::string ipSettingsText(const IpChange& change);

}  // namespace tesselcfg
