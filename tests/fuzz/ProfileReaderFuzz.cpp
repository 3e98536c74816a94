// Any bytes as a profile on disk (an ordinary INI file and RTOS.INI): the kernel's profile
// calls fill no more of the caller's buffer than they were given, always terminate what they
// return, and never read past the file.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "FuzzDisk.h"
#include "kernel/boot/KernelSettings.h"
#include "kernel/profile/Profile.h"

namespace {

// Checks one answer of a call given `size` bytes; `list` answers end in two NULs.
void checkAnswer(const char* buffer, DWORD size, DWORD length, bool list) {
    if (size == 0) {
        if (length != 0) {
            __builtin_trap();
        }
        return;
    }
    if (length >= size || buffer[length] != '\0') {
        __builtin_trap();
    }
    // A whole list ends in its last entry's NUL and one more; a cut one in two more.
    if (list && size > 1 && length > 0 && buffer[length - 1] != '\0' &&
        !(length + 1 < size && buffer[length + 1] == '\0')) {
        __builtin_trap();
    }
}

void askEverything(const char* file, const std::string& section, const std::string& key,
                   DWORD size) {
    // Exact-size buffers, so that ASan sees a byte written past the end.
    auto buffer = std::make_unique<char[]>(size == 0 ? 1 : size);
    char* b = size == 0 ? nullptr : buffer.get();
    checkAnswer(b, size,
                GetPrivateProfileStringA(section.c_str(), key.c_str(), "default", b, size, file),
                false);
    checkAnswer(b, size, GetPrivateProfileStringA(section.c_str(), nullptr, "", b, size, file),
                true);
    checkAnswer(b, size, GetPrivateProfileStringA(nullptr, nullptr, "", b, size, file), true);
    checkAnswer(b, size, GetPrivateProfileSectionA(section.c_str(), b, size, file), true);
    GetPrivateProfileIntA(section.c_str(), key.c_str(), 7, file);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzdisk::start();
    return 0;
}

// The first line is "section/key", then one byte of buffer size, then the profile.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::uint8_t* end = data + size;
    const std::uint8_t* newline = static_cast<const std::uint8_t*>(std::memchr(data, '\n', size));
    if (newline == nullptr || newline + 1 >= end) {
        return 0;
    }
    const std::string query(reinterpret_cast<const char*>(data), newline - data);
    const std::size_t slash = query.find('/');
    const std::string section = query.substr(0, slash).c_str();
    const std::string key =
        slash == std::string::npos ? std::string() : query.substr(slash + 1).c_str();
    const DWORD bufferSize = newline[1];
    const std::uint8_t* profile = newline + 2;
    const std::size_t profileSize = static_cast<std::size_t>(end - profile);

    fuzzdisk::put("fuzz.ini", profile, profileSize);
    askEverything("C:\\fuzz.ini", section, key, bufferSize);

    // RTOS.INI on disk stands before the built-in copy; every call reloads it.
    fuzzdisk::put("RTOS.INI", profile, profileSize);
    TovEnableDiskProfiles();
    askEverything("RTOS.INI", section, key, bufferSize);
    TovRtosIniInt(section.c_str(), key.c_str(), 3);
    return 0;
}
