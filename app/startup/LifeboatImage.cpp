#include "app/startup/LifeboatImage.h"

#include <cctype>
#include <cstring>

#include "kernel/module/Module.h"

namespace rx_fwk {

bool isLifeboatModuleName(const char* name) {
    static const char kName[] = "lifeboat.exe";
    const std::size_t tail = sizeof kName - 1;
    const std::size_t length = std::strlen(name);
    if (length < tail) {
        return false;
    }
    for (std::size_t i = 0; i < tail; ++i) {
        if (std::tolower(static_cast<unsigned char>(name[length - tail + i])) != kName[i]) {
            return false;
        }
    }
    return true;
}

bool isLifeboatImage() {
    static const bool answer = [] {
        char name[MAX_PATH] = {};
        GetModuleFileNameA(GetModuleHandleA(nullptr), name, sizeof name);
        return isLifeboatModuleName(name);
    }();
    return answer;
}

}  // namespace rx_fwk
