// The bridge keeps its state for the process; start-up writes it, the conversions read it.
#include "app/startup/TextEncoding.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "app/startup/DllLoad.h"
#include "app/startup/DllRelease.h"
#include "kernel/base/LastError.h"
#include "kernel/module/Module.h"

namespace rx_fwk {
namespace {

using IconvOpen = void* (*)(const char* to, const char* from);
using Iconv = std::size_t (*)(void* cd, char** in, std::size_t* inLeft, char** out,
                              std::size_t* outLeft);
using IconvClose = int (*)(void* cd);

constexpr std::size_t kCharacterSetField = 30;  // at most 29 characters and the terminator
constexpr std::size_t kCountingChunk = 256;
constexpr char kWideCharacterSet[] = "UTF-16LE";
void* const kConversionFailed = reinterpret_cast<void*>(static_cast<std::intptr_t>(-1));
constexpr std::size_t kIconvFailed = static_cast<std::size_t>(-1);

struct Bridge {
    HMODULE library = nullptr;
    TextEncodingStatus status = TextEncodingStatus::NotLoaded;
    IconvOpen open = nullptr;
    Iconv convert = nullptr;
    IconvClose close = nullptr;
    char characterSet[kCharacterSetField] = "ASCII";
};

Bridge gBridge;

int fail(DWORD error) {
    SetLastError(error);
    return 0;
}

// Converts `bytes` of `source` with the library; without a destination the output is only
// counted, 256 bytes at a time. The number of bytes produced, or an error.
DWORD convertWithLibrary(const char* to, const char* from, const char* source, std::size_t bytes,
                         char* destination, std::size_t capacity, std::size_t& produced) {
    void* cd = gBridge.open(to, from);
    if (cd == kConversionFailed) {
        return ERROR_NO_UNICODE_TRANSLATION;
    }
    gBridge.convert(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(source);
    std::size_t inLeft = bytes;
    produced = 0;
    DWORD error = ERROR_SUCCESS;
    if (destination != nullptr) {
        char* out = destination;
        std::size_t outLeft = capacity;
        if (gBridge.convert(cd, &in, &inLeft, &out, &outLeft) != 0 ||
            gBridge.convert(cd, nullptr, nullptr, &out, &outLeft) != 0) {
            error = ERROR_INSUFFICIENT_BUFFER;
        }
        produced = capacity - outLeft;
    } else {
        char chunk[kCountingChunk];
        bool flushed = false;
        while (!flushed) {
            char* out = chunk;
            std::size_t outLeft = sizeof chunk;
            std::size_t result = inLeft > 0 ? gBridge.convert(cd, &in, &inLeft, &out, &outLeft)
                                            : gBridge.convert(cd, nullptr, nullptr, &out, &outLeft);
            produced += sizeof chunk - outLeft;
            // A full chunk only means: count on.
            if (result == kIconvFailed && errno == E2BIG && outLeft < sizeof chunk) {
                continue;
            }
            if (result != 0) {
                error = ERROR_INSUFFICIENT_BUFFER;
                break;
            }
            flushed = inLeft == 0 && out == chunk;
        }
    }
    gBridge.close(cd);
    return error;
}

std::size_t wideLength(LPCWSTR text) {
    std::size_t length = 0;
    while (text[length] != 0) {
        ++length;
    }
    return length;
}

}  // namespace

TextEncodingStatus loadTextEncodingLibrary() {
    releaseTextEncodingLibrary();
    HMODULE library = loadDll("libiconv.dll");
    if (library == nullptr) {
        return gBridge.status = TextEncodingStatus::NotLoaded;
    }
    auto open = reinterpret_cast<IconvOpen>(GetProcAddress(library, "libiconv_open"));
    auto convert = reinterpret_cast<Iconv>(GetProcAddress(library, "libiconv"));
    auto close = reinterpret_cast<IconvClose>(GetProcAddress(library, "libiconv_close"));
    if (open == nullptr || convert == nullptr || close == nullptr) {
        releaseDll(library);
        return gBridge.status = TextEncodingStatus::EntryMissing;
    }
    gBridge.library = library;
    gBridge.open = open;
    gBridge.convert = convert;
    gBridge.close = close;
    return gBridge.status = TextEncodingStatus::Loaded;
}

void releaseTextEncodingLibrary() {
    if (gBridge.library != nullptr) {
        releaseDll(gBridge.library);
    }
    gBridge.library = nullptr;
    gBridge.open = nullptr;
    gBridge.convert = nullptr;
    gBridge.close = nullptr;
    gBridge.status = TextEncodingStatus::NotLoaded;
}

TextEncodingStatus textEncodingStatus() {
    return gBridge.status;
}

void setTextEncodingCharacterSet(const std::string& name) {
    const std::size_t kept = std::min(name.size(), kCharacterSetField - 1);
    std::memcpy(gBridge.characterSet, name.data(), kept);
    gBridge.characterSet[kept] = '\0';
}

std::string textEncodingCharacterSet() {
    return gBridge.characterSet;
}

int multiByteToWide(UINT, DWORD, LPCSTR source, int sourceLength, LPWSTR destination,
                    int destinationLength) {
    if (source == nullptr || sourceLength < -1 || destinationLength < 0) {
        return fail(ERROR_INVALID_PARAMETER);
    }
    const std::size_t bytes =
        sourceLength == -1 ? std::strlen(source) + 1 : static_cast<std::size_t>(sourceLength);
    const bool counting = destination == nullptr || destinationLength == 0;
    if (gBridge.status == TextEncodingStatus::Loaded) {
        std::size_t produced = 0;
        const DWORD error = convertWithLibrary(
            kWideCharacterSet, gBridge.characterSet, source, bytes,
            counting ? nullptr : reinterpret_cast<char*>(destination),
            counting ? 0 : static_cast<std::size_t>(destinationLength) * sizeof(WCHAR), produced);
        return error != ERROR_SUCCESS ? fail(error) : static_cast<int>(produced / sizeof(WCHAR));
    }
    for (std::size_t i = 0; i < bytes; ++i) {
        if (static_cast<unsigned char>(source[i]) >= 0x80) {
            return fail(ERROR_NO_UNICODE_TRANSLATION);
        }
    }
    if (counting) {
        return static_cast<int>(bytes);
    }
    // A text cut to the destination would be reported as converted.
    if (bytes > static_cast<std::size_t>(destinationLength)) {
        return fail(ERROR_INSUFFICIENT_BUFFER);
    }
    for (std::size_t i = 0; i < bytes; ++i) {
        destination[i] = static_cast<WCHAR>(static_cast<unsigned char>(source[i]));
    }
    return static_cast<int>(bytes);
}

int wideToMultiByte(UINT, DWORD, LPCWSTR source, int sourceLength, LPSTR destination,
                    int destinationLength, LPCSTR, BOOL*) {
    if (source == nullptr || sourceLength < -1 || destinationLength < 0) {
        return fail(ERROR_INVALID_PARAMETER);
    }
    const std::size_t units =
        sourceLength == -1 ? wideLength(source) + 1 : static_cast<std::size_t>(sourceLength);
    const bool counting = destination == nullptr || destinationLength == 0;
    if (gBridge.status == TextEncodingStatus::Loaded) {
        std::size_t produced = 0;
        const DWORD error = convertWithLibrary(
            gBridge.characterSet, kWideCharacterSet, reinterpret_cast<const char*>(source),
            units * sizeof(WCHAR), counting ? nullptr : destination,
            counting ? 0 : static_cast<std::size_t>(destinationLength), produced);
        return error != ERROR_SUCCESS ? fail(error) : static_cast<int>(produced);
    }
    for (std::size_t i = 0; i < units; ++i) {
        if (source[i] >= 0x80) {
            return fail(ERROR_NO_UNICODE_TRANSLATION);
        }
    }
    if (counting) {
        return static_cast<int>(units);
    }
    if (units > static_cast<std::size_t>(destinationLength)) {
        return fail(ERROR_INSUFFICIENT_BUFFER);
    }
    for (std::size_t i = 0; i < units; ++i) {
        destination[i] = static_cast<char>(source[i]);
    }
    return static_cast<int>(units);
}

}  // namespace rx_fwk
