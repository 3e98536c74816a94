// Working directory and environment set-up.
#include "app/startup/EnvironmentSetup.h"

#include "app/services/FileSystem.h"
#include "config/ConfigManager.h"
#include "kernel/fs/Environment.h"

namespace rx_fwk {
namespace {
const char kSystemDirectory[] = "C:\\zu-rt\\system";
const char kArchiveDrive[] = "B:\\";
}  // namespace

void applyWorkingDirectoryAndEnvironment(ConfigManager& settings, bool rescueImage) {
    if (rescueImage) {
        SetCurrentDirectoryA(kArchiveDrive);
        SetEnvironmentVariableA("PATH", kArchiveDrive);
    } else {
        FileSystem::ensureSystemDirectory();  // a fresh disk has none yet
        SetCurrentDirectoryA(kSystemDirectory);
        SetEnvironmentVariableA("PATH",
                                settings.getString("KORA", "PATH", kSystemDirectory).c_str());
    }
    SetEnvironmentVariableA("OS", "Quillon");
    SetEnvironmentVariableA("__MSVCRT_HEAP_SELECT", "__GLOBAL_HEAP_SELECTED,1");

    auto keys = settings.keyIterator("EnvironmentStrings");
    for (; keys && !keys->atEnd(); keys->next()) {
        // A name the kernel refuses (empty, with "=") is left out; the rest still apply.
        SetEnvironmentVariableA(keys->key().c_str(), keys->value().c_str());
    }
}

}  // namespace rx_fwk
