#include "drivers/common/EthernetIni.h"

#include <cctype>
#include <cstring>

#include "kernel/module/Module.h"
#include "kernel/profile/Profile.h"

namespace lbdriver {

std::string ethernetIniPath() {
    char name[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, name, sizeof name);
    static const char kImage[] = "lifeboat.exe";
    const std::size_t length = std::strlen(name);
    const std::size_t tail = sizeof kImage - 1;
    bool rescue = length >= tail;
    for (std::size_t i = 0; rescue && i < tail; ++i) {
        rescue = std::tolower(static_cast<unsigned char>(name[length - tail + i])) == kImage[i];
    }
    return rescue ? "B:\\ethernet.ini" : "C:\\zu-rt\\system\\ethernet\\ethernet.ini";
}

std::string ethernetIniValue(const char* section, const char* key, const char* def) {
    char value[1024] = {};
    const DWORD length =
        GetPrivateProfileStringA(section, key, def, value, sizeof value, ethernetIniPath().c_str());
    return std::string(value, length);
}

}  // namespace lbdriver
