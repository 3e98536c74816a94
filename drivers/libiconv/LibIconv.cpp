// The three entry points of libiconv, each the C library's own.
#include <iconv.h>

#include <cstddef>

#include "kernel/module/DllExport.h"

TOV_DLL_EXPORT void* libiconv_open(const char* to, const char* from) {
    return ::iconv_open(to, from);
}

TOV_DLL_EXPORT std::size_t libiconv(void* cd, char** in, std::size_t* inLeft, char** out,
                                    std::size_t* outLeft) {
    return ::iconv(static_cast<iconv_t>(cd), in, inLeft, out, outLeft);
}

TOV_DLL_EXPORT int libiconv_close(void* cd) {
    return ::iconv_close(static_cast<iconv_t>(cd));
}
