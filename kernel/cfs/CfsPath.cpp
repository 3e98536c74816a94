// Building and cleaning the paths of the constant file system.
#include "kernel/cfs/CfsPath.h"

#include <cctype>
#include <cstring>
#include <vector>

#include "kernel/boot/DebugPrint.h"
#include "kernel/cfs/CfsMessages.h"

namespace {

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

bool onlyDots(const std::string& text) {
    return !text.empty() && text.find_first_not_of('.') == std::string::npos;
}

}  // namespace

std::string cfsCleanPath(const std::string& path, CfsPathForm form, int level) {
    if (level >= kCfsTraceLevel) {
        TovDebugPrint("cfs: cleanPath in %s, %d\n", path.c_str(), form == CfsPathForm::Directory);
    }
    std::vector<std::string> components;
    std::size_t at = path.size() >= 2 && path[1] == ':' ? 2 : 0;
    while (at < path.size()) {
        if (isSeparator(path[at])) {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < path.size() && !isSeparator(path[end])) {
            ++end;
        }
        std::string component = path.substr(at, end - at);
        at = end;
        if (component == ".") {
            continue;
        }
        if (onlyDots(component)) {
            for (std::size_t up = 1; up < component.size() && !components.empty(); ++up) {
                components.pop_back();
            }
            continue;
        }
        components.push_back(std::move(component));
    }

    std::string clean = path.substr(0, path.size() >= 2 && path[1] == ':' ? 2 : 0) + "/";
    for (std::size_t i = 0; i < components.size(); ++i) {
        if (i > 0) {
            clean += '/';
        }
        clean += components[i];
    }
    if (form == CfsPathForm::Directory && !components.empty()) {
        clean += '/';
    }
    if (level >= kCfsTraceLevel) {
        TovDebugPrint("cfs: cleanPath out %s\n", clean.c_str());
    }
    return clean;
}

std::string cfsFullPath(const char* request, const std::string& currentDirectory, char driveLetter,
                        CfsPathForm form, int level) {
    std::string text(request);
    std::size_t split = text.find_last_of("/\\:");
    std::string directory = split == std::string::npos ? std::string() : text.substr(0, split + 1);
    std::string name = split == std::string::npos ? text : text.substr(split + 1);
    if (!onlyDots(name)) {
        name.erase(name.find_last_not_of('.') + 1);
    }

    if (directory.size() >= 2 && directory[1] == ':' &&
        std::isalpha(static_cast<unsigned char>(directory[0]))) {
        directory.erase(0, 2);
    }
    std::string full{driveLetter, ':', '/'};
    if (directory.empty() || !isSeparator(directory[0])) {
        full += currentDirectory;
        full += '/';
    }
    full += directory;
    full += '/';
    full += name;
    return cfsCleanPath(full, form, level);
}
