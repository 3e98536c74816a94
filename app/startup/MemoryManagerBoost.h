// The memory-manager boost: a thread that meets another one inside the kernel heap is raised
// by one priority step for the length of its heap call, so that heap calls that collide are
// over sooner.
#pragma once

#include <string>

namespace rx_fwk {

// SystemSettings/BoostMemoryManager as the kernel's profile reader gives it from
// C:\zu-rt.ini: at most five characters (a 6-byte buffer), "False" when absent.
std::string readBoostMemoryManagerSetting();
// "True" in any case enables the boost; anything else does not.
bool boostMemoryManagerEnabledBy(const std::string& setting);

// Start-up: wraps the kernel's local-memory entry points when the setting enables the boost
// and a thread-local index can be had. Answers whether the boost is on.
bool setUpMemoryManagerBoost();

}  // namespace rx_fwk
