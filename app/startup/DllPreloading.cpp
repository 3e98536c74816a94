#include "app/startup/DllPreloading.h"

#include "app/startup/DllLoad.h"
#include "app/startup/DllLoadOptions.h"
#include "app/startup/DllRelease.h"

namespace rx_fwk {

void setUpDllPreloading(ConfigManager& settings) {
    setDllLoadOptions(readDllLoadOptions(settings));
    prepareDllReleaseQueue();
    for (const std::string& name : settings.getStringList("Debug", "PreloadedDLLs", ';', {})) {
        if (!name.empty()) {
            loadDll(name.c_str());
        }
    }
}

}  // namespace rx_fwk
