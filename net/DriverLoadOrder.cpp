#include "net/DriverLoadOrder.h"

#include <algorithm>

namespace nIPStack {

std::vector<std::string> driverLoadOrder(std::vector<std::string> standard,
                                         std::vector<std::string> installed) {
    std::sort(installed.begin(), installed.end());
    for (std::string& name : installed) {
        if (std::find(standard.begin(), standard.end(), name) == standard.end()) {
            standard.push_back(std::move(name));
        }
    }
    return standard;
}

}  // namespace nIPStack
