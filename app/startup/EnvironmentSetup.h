// Working directory and environment variables of the main thread.
#pragma once

namespace rx_fwk {

class ConfigManager;

// Rescue image: current directory and PATH "B:\". Otherwise the system directory and
// [KORA] PATH. Then OS, __MSVCRT_HEAP_SELECT and every key of [EnvironmentStrings], in
// that order, so the section can override any of them.
void applyWorkingDirectoryAndEnvironment(ConfigManager& settings, bool rescueImage);

}  // namespace rx_fwk
