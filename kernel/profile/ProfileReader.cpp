// The kernel's profile calls: one lock, RTOS.INI from disk with its built-in copy behind it,
// every other file scanned straight from disk.
#include <cstdint>
#include <cstring>
#include <new>
#include <string>

#include "kernel/base/Handle.h"
#include "kernel/base/LastError.h"
#include "kernel/boot/DebugPrint.h"
#include "kernel/cfs/ImageSection.h"
#include "kernel/fs/File.h"
#include "kernel/fs/WholeFile.h"
#include "kernel/fs/WindowsDirectory.h"
#include "kernel/profile/Profile.h"
#include "kernel/profile/ProfileScanner.h"
#include "kernel/threads/Sync.h"

namespace {

using kprofile::ProfileQuery;

// Trace line levels.
constexpr int kTraceErrors = 2;
constexpr int kTraceCalls = 20;
constexpr int kTraceSources = 30;

enum class Source { LocalDisk = 0, DevelopmentHost = 1 };

struct ProfileState {
    ProfileState() { InitializeCriticalSection(&lock); }

    CRITICAL_SECTION lock;
    int level = -1;
    bool readingLevel = false;
    bool diskEnabled = false;
    bool tryLocalDisk = true;
    bool tryDevelopmentHost = true;
    bool loaded = false;
    Source loadedFrom = Source::LocalDisk;
    std::string buffer;  // RTOS.INI as loaded, ended by CR LF
};

ProfileState& state() {
    static ProfileState profile;
    return profile;
}

class Locked {
public:
    Locked() { EnterCriticalSection(&state().lock); }
    ~Locked() { LeaveCriticalSection(&state().lock); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
};

bool tracing(int lineLevel) {
    return state().level >= lineLevel;
}

// The level comes from RTOS.INI itself, so reading it calls back in here.
void readMessageLevel() {
    ProfileState& s = state();
    if (s.level != -1 || s.readingLevel) {
        return;
    }
    s.readingLevel = true;
    s.level = TovMessageLevel("Rtos.Ini");
    s.readingLevel = false;
}

bool isRtosIni(const char* file) {
    const char name[] = "RTOS.INI";
    std::size_t i = 0;
    for (; name[i] != '\0'; ++i) {
        char c = file[i];
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
        if (c != name[i]) {
            return false;
        }
    }
    return file[i] == '\0';
}

// A bare name lives in the Windows directory.
bool longIniFileName(const char* name, std::string& path) {
    if (std::strpbrk(name, "/\\:") != nullptr) {
        path = name;
    } else {
        char directory[MAX_PATH];
        const UINT length = GetWindowsDirectoryA(directory, sizeof(directory));
        path.assign(directory, length < sizeof(directory) ? length : 0);
        if (!path.empty() && path.back() != '\\') {
            path += '\\';
        }
        path += name;
    }
    if (path.size() + 1 > MAX_PATH) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        if (tracing(kTraceErrors)) {
            TovDebugPrint("Exiting GetLongIniFileName(), no room for filename.\n");
        }
        return false;
    }
    return true;
}

HANDLE openReadOnly(const char* path) {
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE openFrom(Source source, const std::string& path) {
    if (source == Source::LocalDisk) {
        return openReadOnly(path.c_str());
    }
    // This build has no link to a development host.
    SetLastError(ERROR_NOT_READY);
    return INVALID_HANDLE_VALUE;
}

void traceTooLarge() {
    if (GetLastError() == ERROR_FILE_TOO_LARGE && tracing(kTraceErrors)) {
        TovDebugPrint("Exiting ProfileOpenFile(), file larger than %u bytes.\n",
                      static_cast<unsigned>(TOV_WHOLE_FILE_LIMIT));
    }
}

bool loadWhole(HANDLE file, std::string& buffer) {
    if (!TovReadWholeFile(file, buffer)) {
        traceTooLarge();
        return false;
    }
    // The last line always ends.
    buffer += "\r\n";
    return true;
}

// Scans a file other than RTOS.INI straight from disk. One larger than the bound is read
// as empty (last error ERROR_FILE_TOO_LARGE): lines and lists built from it stay bounded.
bool scanFile(HANDLE handle, ProfileQuery query, const char* section, const char* key,
              std::string& out) {
    DWORD high = 0;
    const DWORD low = GetFileSize(handle, &high);
    if ((low != INVALID_FILE_SIZE || GetLastError() == ERROR_SUCCESS) &&
        ((static_cast<ULONGLONG>(high) << 32) | low) > TOV_WHOLE_FILE_LIMIT) {
        SetLastError(ERROR_FILE_TOO_LARGE);
        traceTooLarge();
        return false;
    }
    kprofile::FileProfileText text(handle, TOV_WHOLE_FILE_LIMIT);
    const bool found = kprofile::scanProfile(text, query, section, key, out);
    if (text.cut()) {
        SetLastError(ERROR_FILE_TOO_LARGE);  // grew past the bound while it was read
        traceTooLarge();
        return false;
    }
    return found;
}

// The disk copy of RTOS.INI, loaded once from the first source that opens; null when only
// the built-in copy can be used.
const std::string* diskRtosIni() {
    ProfileState& s = state();
    if (s.diskEnabled && s.loaded) {
        if (tracing(kTraceSources)) {
            TovDebugPrint("Exiting ProfileOpenFile(%d), file already in buffer.\n",
                          static_cast<int>(s.loadedFrom));
        }
        return &s.buffer;
    }
    std::string path;
    if (s.diskEnabled && (s.tryLocalDisk || s.tryDevelopmentHost) &&
        longIniFileName("RTOS.INI", path)) {
        while (s.tryLocalDisk || s.tryDevelopmentHost) {
            const Source source = s.tryLocalDisk ? Source::LocalDisk : Source::DevelopmentHost;
            HANDLE file = openFrom(source, path);
            if (file == INVALID_HANDLE_VALUE) {
                // A source that failed once is never tried again.
                (source == Source::LocalDisk ? s.tryLocalDisk : s.tryDevelopmentHost) = false;
                continue;
            }
            const bool read = loadWhole(file, s.buffer);
            CloseHandle(file);
            if (!read) {
                break;  // a read error falls back to the built-in copy this time
            }
            s.loaded = true;
            s.loadedFrom = source;
            return &s.buffer;
        }
    }
    if (tracing(kTraceSources)) {
        TovDebugPrint("Exiting ProfileOpenFile(), file in ROM.\n");
    }
    return nullptr;
}

bool scanBuiltin(ProfileQuery query, const char* section, const char* key, std::string& out) {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    if (!TovFindImageSection("RTOSINI", &data, &size)) {
        out.clear();
        return false;
    }
    kprofile::MemoryProfileText text(reinterpret_cast<const char*>(data), size);
    return kprofile::scanProfile(text, query, section, key, out);
}

// Finds what the query asks in `file`; false when it is not there.
bool profileValue(ProfileQuery query, const char* section, const char* key, const char* file,
                  std::string& out) {
    Locked hold;
    readMessageLevel();
    if (tracing(kTraceCalls)) {
        if (query == ProfileQuery::Value) {
            TovDebugPrint("Entering GetPrivateProfileValue(), looking for %s\\[%s]\\%s\n", file,
                          section, key);
        } else {
            TovDebugPrint("Entering GetPrivateProfileValue(), looking for section %s\\[%s]\n", file,
                          section ? section : "");
        }
    }
    bool found = false;
    try {
        if (!isRtosIni(file)) {
            HANDLE handle = openReadOnly(file);
            if (handle != INVALID_HANDLE_VALUE) {
                found = scanFile(handle, query, section, key, out);
                CloseHandle(handle);
            }
        } else {
            if (const std::string* disk = diskRtosIni()) {
                kprofile::MemoryProfileText text(disk->data(), disk->size());
                found = kprofile::scanProfile(text, query, section, key, out);
            }
            if (!found) {
                found = scanBuiltin(query, section, key, out);
            }
        }
    } catch (const std::bad_alloc&) {
        // A C interface: nothing may escape it.
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        found = false;
    }
    if (!found) {
        out.clear();
    }
    if (tracing(kTraceCalls)) {
        TovDebugPrint("Leaving GetPrivateProfileValue()\n");
    }
    return found;
}

DWORD copyText(const std::string& text, LPSTR buffer, DWORD size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return static_cast<DWORD>(n);
}

// `list` holds NUL-terminated entries; one more NUL closes it. A list that does not fit is
// cut to size - 2 characters and still closed by two NULs.
DWORD copyList(const std::string& list, LPSTR buffer, DWORD size) {
    if (size == 0) {
        return 0;
    }
    if (list.size() + 1 <= size) {
        std::memcpy(buffer, list.data(), list.size());
        buffer[list.size()] = '\0';
        if (list.empty() && size > 1) {
            buffer[1] = '\0';
        }
        return static_cast<DWORD>(list.size());
    }
    if (size < 2) {
        buffer[0] = '\0';
        return 0;
    }
    std::memcpy(buffer, list.data(), size - 2);
    buffer[size - 2] = '\0';
    buffer[size - 1] = '\0';
    return size - 2;
}

}  // namespace

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR def, LPSTR buffer, DWORD size,
                               LPCSTR file) {
    if (buffer == nullptr && size != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (file == nullptr) {
        return copyText("", buffer, size);
    }
    std::string out;
    if (section == nullptr) {
        profileValue(ProfileQuery::SectionNames, nullptr, nullptr, file, out);
        return copyList(out, buffer, size);
    }
    if (key == nullptr) {
        profileValue(ProfileQuery::KeyNames, section, nullptr, file, out);
        return copyList(out, buffer, size);
    }
    if (profileValue(ProfileQuery::Value, section, key, file, out)) {
        return copyText(out, buffer, size);
    }
    if (def != nullptr && std::strlen(def) + 1 <= size) {
        return copyText(def, buffer, size);
    }
    return copyText("", buffer, size);
}

UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, int def, LPCSTR file) {
    if (section == nullptr || key == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (file == nullptr) {
        return static_cast<UINT>(def);
    }
    char value[32];
    GetPrivateProfileStringA(section, key, "", value, sizeof(value), file);
    if (value[0] == '\0') {
        return static_cast<UINT>(def);
    }
    if (value[0] == '-') {
        return 0;
    }
    const char* p = value;
    while (*p == ' ' || *p == '\t') {
        ++p;
    }
    std::uint64_t number = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        number = number * 10 + static_cast<std::uint64_t>(*p - '0');
        if (number > 0xFFFFFFFFull) {
            return static_cast<UINT>(def);
        }
    }
    return static_cast<UINT>(number);
}

DWORD GetPrivateProfileSectionA(LPCSTR section, LPSTR buffer, DWORD size, LPCSTR file) {
    if (section == nullptr || (buffer == nullptr && size != 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (file == nullptr) {
        return copyText("", buffer, size);
    }
    std::string out;
    profileValue(ProfileQuery::SectionLines, section, nullptr, file, out);
    return copyList(out, buffer, size);
}

void TovEnableDiskProfiles() {
    Locked hold;
    ProfileState& s = state();
    s.diskEnabled = true;
    s.tryLocalDisk = true;
    s.tryDevelopmentHost = true;
    s.loaded = false;
    s.buffer.clear();
}
