// Names of DLLs: the default extension and the search along PATH.
#include "kernel/module/DllName.h"

#include "kernel/fs/Environment.h"

namespace {

constexpr char kSeparators[] = "\\/:";

std::string environmentPath() {
    std::string value(256, '\0');
    for (;;) {
        const DWORD length = GetEnvironmentVariableA("PATH", &value[0], DWORD(value.size()));
        if (length == 0) {
            return std::string();
        }
        if (length < value.size()) {
            value.resize(length);
            return value;
        }
        value.resize(length);  // the size needed, terminator included
    }
}

}  // namespace

std::string TovDllBaseName(const std::string& path) {
    const std::size_t separator = path.find_last_of(kSeparators);
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::string TovDllFileName(const std::string& name) {
    if (!name.empty() && name.back() == '.') {
        return name.substr(0, name.size() - 1);
    }
    if (TovDllBaseName(name).find('.') == std::string::npos) {
        return name + ".dll";
    }
    return name;
}

bool TovDllNameHasPath(const std::string& name) {
    return name.find_first_of(kSeparators) != std::string::npos;
}

std::vector<std::string> TovDllCandidates(const std::string& fileName) {
    std::vector<std::string> candidates{fileName};
    if (TovDllNameHasPath(fileName)) {
        return candidates;
    }
    const std::string path = environmentPath();
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find(';', start);
        if (end == std::string::npos) {
            end = path.size();
        }
        std::string directory = path.substr(start, end - start);
        if (!directory.empty()) {
            const char last = directory.back();
            if (last != '\\' && last != '/' && last != ':') {
                directory += '\\';
            }
            candidates.push_back(directory + fileName);
        }
        start = end + 1;
    }
    return candidates;
}
