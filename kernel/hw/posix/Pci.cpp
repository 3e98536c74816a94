// PCI over the host's sysfs: identification from the function's attributes, configuration
// space from its "config" file, base address registers from its "resource" file.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "kernel/base/posix/Win32Error.h"
#include "kernel/hw/Pci.h"
#include "kernel/hw/posix/PciSysfs.h"

namespace {

// The host's resource flags (linux/ioport.h).
constexpr unsigned long kResourceIo = 0x100;
constexpr unsigned long kResourcePrefetch = 0x2000;
constexpr unsigned long kResourceMem64 = 0x100000;

template <typename Match>
BOOL find(DWORD index, TovPCIAddress* address, Match match) {
    if (address == nullptr) {
        return TovFail(ERROR_INVALID_PARAMETER, FALSE);
    }
    for (const TovPCIFunction& function : TovPCIFunctions()) {
        if (match(function.directory) && index-- == 0) {
            *address = function.address;
            return TRUE;
        }
    }
    return TovFail(ERROR_DEV_NOT_EXIST, FALSE);
}

// The function's directory, or empty with the last error set.
std::string directoryOf(const TovPCIAddress* address) {
    if (address == nullptr) {
        return TovFail(ERROR_INVALID_PARAMETER, std::string());
    }
    std::string directory = TovPCIFunctionDirectory(*address);
    if (directory.empty()) {
        SetLastError(ERROR_DEV_NOT_EXIST);
    }
    return directory;
}

BOOL readConfig(const TovPCIAddress* address, DWORD offset, void* value, DWORD size) {
    if (value == nullptr || offset >= kTovPCIConfigSize || offset % size != 0) {
        return TovFail(ERROR_INVALID_PARAMETER, FALSE);
    }
    const std::string directory = directoryOf(address);
    if (directory.empty()) {
        return FALSE;
    }
    const int descriptor = ::open((directory + "/config").c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        return TovFail(errno == ENOENT ? ERROR_DEV_NOT_EXIST : ERROR_READ_FAULT, FALSE);
    }
    unsigned char bytes[4] = {};
    ssize_t read;
    do {
        read = ::pread(descriptor, bytes, size, offset);
    } while (read < 0 && errno == EINTR);
    ::close(descriptor);
    if (read != ssize_t(size)) {
        return TovFail(ERROR_READ_FAULT, FALSE);
    }
    DWORD number = 0;
    for (DWORD i = size; i-- > 0;) {
        number = (number << 8) | bytes[i];
    }
    switch (size) {
        case 1:
            *static_cast<BYTE*>(value) = BYTE(number);
            break;
        case 2:
            *static_cast<WORD*>(value) = WORD(number);
            break;
        default:
            *static_cast<DWORD*>(value) = number;
    }
    return TRUE;
}

// Names of the network interfaces in `directory`/net, sorted.
std::vector<std::string> interfacesIn(const std::string& directory) {
    std::vector<std::string> names;
    DIR* listing = ::opendir((directory + "/net").c_str());
    if (listing == nullptr) {
        return names;
    }
    while (const dirent* entry = ::readdir(listing)) {
        if (entry->d_name[0] != '.') {
            names.emplace_back(entry->d_name);
        }
    }
    ::closedir(listing);
    std::sort(names.begin(), names.end());
    return names;
}

// The interface of the function itself, or of a device the host made below it (virtio).
std::string boundInterface(const std::string& directory) {
    std::vector<std::string> names = interfacesIn(directory);
    if (!names.empty()) {
        return names.front();
    }
    DIR* listing = ::opendir(directory.c_str());
    if (listing == nullptr) {
        return std::string();
    }
    std::vector<std::string> children;
    while (const dirent* entry = ::readdir(listing)) {
        struct stat status;
        const bool isDirectory =
            entry->d_type == DT_DIR ||
            (entry->d_type == DT_UNKNOWN &&
             ::lstat((directory + "/" + entry->d_name).c_str(), &status) == 0 &&
             S_ISDIR(status.st_mode));
        if (entry->d_name[0] != '.' && isDirectory) {  // links (driver, subsystem) not followed
            children.emplace_back(entry->d_name);
        }
    }
    ::closedir(listing);
    std::sort(children.begin(), children.end());
    for (const std::string& child : children) {
        names = interfacesIn(directory + "/" + child);
        if (!names.empty()) {
            return names.front();
        }
    }
    return std::string();
}

}  // namespace

BOOL TovPCIInit() {
    return TovPCIFunctions().empty() ? TovFail(ERROR_NOT_SUPPORTED, FALSE) : TRUE;
}

BOOL TovPCIBiosPresent(TovPCIBiosInfo* info) {
    if (info == nullptr) {
        return TovFail(ERROR_INVALID_PARAMETER, FALSE);
    }
    const std::vector<TovPCIFunction> functions = TovPCIFunctions();
    if (functions.empty()) {
        return TovFail(ERROR_NOT_SUPPORTED, FALSE);
    }
    BYTE lastBus = 0;
    for (const TovPCIFunction& function : functions) {
        lastBus = std::max(lastBus, function.address.bus);
    }
    *info = TovPCIBiosInfo{2, 10, 0x01, lastBus};
    return TRUE;
}

BOOL TovPCIFindDevice(WORD vendorId, WORD deviceId, DWORD index, TovPCIAddress* address) {
    if (vendorId == 0xFFFF) {
        return TovFail(ERROR_INVALID_PARAMETER, FALSE);
    }
    return find(index, address, [vendorId, deviceId](const std::string& directory) {
        unsigned long vendor = 0, device = 0;
        return TovPCIReadAttribute(directory, "vendor", vendor) && vendor == vendorId &&
               TovPCIReadAttribute(directory, "device", device) && device == deviceId;
    });
}

BOOL TovPCIFindClass(DWORD classCode, DWORD index, TovPCIAddress* address) {
    return find(index, address, [classCode](const std::string& directory) {
        unsigned long code = 0;
        return TovPCIReadAttribute(directory, "class", code) && code == (classCode & 0xFFFFFF);
    });
}

BOOL TovPCIReadConfigByte(const TovPCIAddress* address, DWORD offset, BYTE* value) {
    return readConfig(address, offset, value, 1);
}

BOOL TovPCIReadConfigWord(const TovPCIAddress* address, DWORD offset, WORD* value) {
    return readConfig(address, offset, value, 2);
}

BOOL TovPCIReadConfigDword(const TovPCIAddress* address, DWORD offset, DWORD* value) {
    return readConfig(address, offset, value, 4);
}

BOOL TovPCIGetBar(const TovPCIAddress* address, DWORD index, TovPCIBar* bar) {
    if (bar == nullptr || index >= kTovPCIBarCount) {
        return TovFail(ERROR_INVALID_PARAMETER, FALSE);
    }
    const std::string directory = directoryOf(address);
    if (directory.empty()) {
        return FALSE;
    }
    std::FILE* resource = std::fopen((directory + "/resource").c_str(), "re");
    if (resource == nullptr) {
        return TovFail(ERROR_READ_FAULT, FALSE);
    }
    // One line per resource, the six registers first: "0x<start> 0x<end> 0x<flags>".
    unsigned long long start = 0, end = 0, flags = 0;
    bool found = false;
    for (DWORD line = 0; line <= index; ++line) {
        found = std::fscanf(resource, "%llx %llx %llx", &start, &end, &flags) == 3;
        if (!found) {
            break;
        }
    }
    std::fclose(resource);
    if (!found) {
        return TovFail(ERROR_READ_FAULT, FALSE);
    }
    *bar = TovPCIBar{};
    if (end > start) {
        bar->base = start;
        bar->size = end - start + 1;
        bar->flags = ((flags & kResourceIo) ? TOV_PCI_BAR_IO : 0) |
                     ((flags & kResourcePrefetch) ? TOV_PCI_BAR_PREFETCHABLE : 0) |
                     ((flags & kResourceMem64) ? TOV_PCI_BAR_64BIT : 0);
    }
    return TRUE;
}

DWORD TovPCIGetNetInterface(const TovPCIAddress* address, LPSTR name, DWORD size) {
    const std::string directory = directoryOf(address);
    if (directory.empty()) {
        return 0;
    }
    const std::string interface = boundInterface(directory);
    if (interface.empty()) {
        return TovFail(ERROR_NOT_FOUND, DWORD{0});
    }
    if (name == nullptr || interface.size() >= size) {
        return TovFail(ERROR_INSUFFICIENT_BUFFER, DWORD{0});
    }
    std::memcpy(name, interface.c_str(), interface.size() + 1);
    return DWORD(interface.size());
}
