// The order in which the Ethernet drivers of ethernet.ini are loaded.
#pragma once

#include <string>
#include <vector>

namespace nIPStack {

// The standard drivers as listed, then each installed driver they lack, in ascending byte
// order and once. Names are compared exactly: one that differs only in case is another.
std::vector<std::string> driverLoadOrder(std::vector<std::string> standard,
                                         std::vector<std::string> installed);

}  // namespace nIPStack
