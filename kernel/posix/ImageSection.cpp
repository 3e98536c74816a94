// Stand-in until the build embeds sections: only the built-in RTOS.INI is known.
#include "kernel/ImageSection.h"

#include <cstring>

namespace {
const char kBuiltinRtosIni[] = "[Filesystem]\r\nFatCacheSize=8\r\n";
}

bool TovFindImageSection(const char* name, const unsigned char** data, std::size_t* size) {
    if (std::strcmp(name, "RTOSINI") != 0) {
        return false;
    }
    *data = reinterpret_cast<const unsigned char*>(kBuiltinRtosIni);
    *size = sizeof(kBuiltinRtosIni) - 1;
    return true;
}
