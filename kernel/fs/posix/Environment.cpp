// The controller's environment: the kernel's own table, names compared without regard to
// case. It starts empty, as on the controller; the host's environment is not imported.
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "kernel/base/posix/CaseBlind.h"
#include "kernel/base/posix/Win32Error.h"
#include "kernel/fs/Environment.h"

namespace {

std::mutex gLock;
std::map<std::string, std::string, TovCaseBlindLess> gVariables;

bool validName(LPCSTR name) {
    return name != nullptr && *name != '\0' && std::strchr(name + 1, '=') == nullptr;
}

}  // namespace

BOOL SetEnvironmentVariableA(LPCSTR name, LPCSTR value) {
    if (!validName(name)) {
        return TovFail(ERROR_INVALID_PARAMETER, FALSE);
    }
    std::lock_guard<std::mutex> guard(gLock);
    if (value == nullptr) {
        gVariables.erase(name);
    } else {
        gVariables[name] = value;
    }
    return TRUE;
}

DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size) {
    if (!validName(name)) {
        return TovFail(ERROR_INVALID_PARAMETER, DWORD{0});
    }
    std::lock_guard<std::mutex> guard(gLock);
    auto found = gVariables.find(name);
    if (found == gVariables.end()) {
        return TovFail(ERROR_ENVVAR_NOT_FOUND, DWORD{0});
    }
    const std::string& value = found->second;
    if (buffer == nullptr || size <= value.size()) {
        return static_cast<DWORD>(value.size() + 1);
    }
    std::memcpy(buffer, value.c_str(), value.size() + 1);
    if (value.empty()) {
        SetLastError(ERROR_SUCCESS);  // tells an empty value from a failure
    }
    return static_cast<DWORD>(value.size());
}
