// Win32 paths of drive C: and search patterns: whatever is parsed stays below the drive root,
// reads back to itself, and no pattern makes a name match take more than polynomial time.
#include <cstdint>
#include <string>

#include "kernel/fs/posix/DrivePath.h"

namespace {

bool plainComponent(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("\\/") == std::string::npos && name.find('\0') == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte picks the check, the rest up to a NUL is the path, after it a name.
    const TovNameCheck check = static_cast<TovNameCheck>(data[0] % 3);
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string path = rest.substr(0, rest.find('\0'));
    const std::string name =
        rest.find('\0') == std::string::npos ? std::string() : rest.substr(rest.find('\0') + 1);

    const TovPathComponents current = {"zu-rt", "system"};
    TovDrivePath parsed;
    if (TovParseDrivePath(path.c_str(), current, check, parsed) == 0) {
        for (const std::string& component : parsed.components) {
            if (!plainComponent(component)) {
                __builtin_trap();
            }
        }
        const std::string full = TovJoinDrivePath('C', parsed.components);
        if (check != TovNameCheck::None && full.size() >= MAX_PATH) {
            __builtin_trap();
        }
        // A full path parses to itself, wherever the current directory is.
        TovDrivePath again;
        if (TovParseDrivePath(full.c_str(), {"elsewhere"}, TovNameCheck::None, again) != 0 ||
            (check != TovNameCheck::Pattern && again.components != parsed.components)) {
            __builtin_trap();
        }
    }

    // The search pattern is the path's last component, as FindFirstFile takes it apart.
    const std::size_t cut = path.find_last_of("\\/");
    const std::string pattern = cut == std::string::npos ? path : path.substr(cut + 1);
    if (pattern.size() < MAX_PATH && name.size() < MAX_PATH) {
        const bool matched = TovMatchNamePattern(pattern, name);
        if (pattern == "*" && !matched) {
            __builtin_trap();
        }
    }
    return 0;
}
