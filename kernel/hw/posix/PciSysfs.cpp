// Walking the host's PCI functions in sysfs.
#include "kernel/hw/posix/PciSysfs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <tuple>

namespace {

std::mutex gRootLock;
std::string gRoot;  // empty: the host's

std::string devicesDirectory() {
    std::lock_guard<std::mutex> guard(gRootLock);
    return (gRoot.empty() ? std::string("/sys/bus/pci") : gRoot) + "/devices";
}

// "SSSS:BB:DD.F", exactly as the host names a function.
bool parseName(const char* name, TovPCIAddress& address) {
    unsigned segment = 0, bus = 0, device = 0, function = 0;
    int length = 0;
    if (std::sscanf(name, "%x:%2x:%2x.%1x%n", &segment, &bus, &device, &function, &length) != 4 ||
        name[length] != '\0' || device > 31 || function > 7) {
        return false;
    }
    address = TovPCIAddress{segment, BYTE(bus), BYTE(device), BYTE(function)};
    return true;
}

std::string nameOf(const TovPCIAddress& address) {
    char name[32];
    std::snprintf(name, sizeof name, "%04x:%02x:%02x.%x", unsigned(address.segment),
                  unsigned(address.bus), unsigned(address.device), unsigned(address.function));
    return name;
}

}  // namespace

void TovPCIUseSysfsRoot(const std::string& root) {
    std::lock_guard<std::mutex> guard(gRootLock);
    gRoot = root;
}

std::vector<TovPCIFunction> TovPCIFunctions() {
    std::vector<TovPCIFunction> functions;
    const std::string directory = devicesDirectory();
    DIR* listing = ::opendir(directory.c_str());
    if (listing == nullptr) {
        return functions;
    }
    while (const dirent* entry = ::readdir(listing)) {
        TovPCIAddress address;
        if (parseName(entry->d_name, address)) {
            functions.push_back(TovPCIFunction{address, directory + "/" + entry->d_name});
        }
    }
    ::closedir(listing);
    const auto key = [](const TovPCIFunction& f) {
        return std::make_tuple(f.address.segment, f.address.bus, f.address.device,
                               f.address.function);
    };
    std::sort(functions.begin(), functions.end(),
              [&key](const TovPCIFunction& a, const TovPCIFunction& b) { return key(a) < key(b); });
    return functions;
}

std::string TovPCIFunctionDirectory(const TovPCIAddress& address) {
    if (address.device > 31 || address.function > 7) {
        return std::string();
    }
    const std::string directory = devicesDirectory() + "/" + nameOf(address);
    struct stat status;
    if (::stat(directory.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        return std::string();
    }
    return directory;
}

bool TovPCIReadAttribute(const std::string& directory, const char* name, unsigned long& value) {
    const int descriptor = ::open((directory + "/" + name).c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        return false;
    }
    char text[32] = {};
    const ssize_t length = ::read(descriptor, text, sizeof text - 1);
    ::close(descriptor);
    if (length <= 0) {
        return false;
    }
    char* end = nullptr;
    value = std::strtoul(text, &end, 0);
    return end != text && (*end == '\0' || *end == '\n');
}
