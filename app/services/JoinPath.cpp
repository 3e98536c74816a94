#include "app/services/JoinPath.h"

#include <algorithm>

namespace rx_fwk {

void joinPath(std::string& name, const std::string& directory) {
    std::string dir = directory;
    std::replace(dir.begin(), dir.end(), '/', '\\');
    std::replace(name.begin(), name.end(), '/', '\\');
    if (name.empty() || name.front() != '\\') {
        name.insert(name.begin(), '\\');
    }
    const auto lastSlash = dir.rfind('\\');
    dir.erase(lastSlash == std::string::npos ? 0 : lastSlash + 1);
    name = dir + name;
}

}  // namespace rx_fwk
