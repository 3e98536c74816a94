// Module list from the dynamic loader's program headers.
#include "kernel/module/ModuleList.h"

#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "kernel/module/DllName.h"
#include "kernel/module/posix/LoadedModules.h"

namespace {

void copyText(char* target, std::size_t size, const char* text) {
    const std::size_t length = ::strnlen(text, size - 1);
    std::memcpy(target, text, length);
    target[length] = '\0';
}

int addModule(dl_phdr_info* info, std::size_t, void* context) {
    auto& modules = *static_cast<std::vector<TovModuleInfo>*>(context);
    TovModuleInfo module{};

    std::uintptr_t low = UINTPTR_MAX;
    std::uintptr_t high = 0;
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& header = info->dlpi_phdr[i];
        if (header.p_type != PT_LOAD) {
            continue;
        }
        const std::uintptr_t start = info->dlpi_addr + header.p_vaddr;
        low = start < low ? start : low;
        high = start + header.p_memsz > high ? start + header.p_memsz : high;
    }
    if (high > low) {
        module.addressKnown = true;
        module.base = low;
        module.size = high - low;
    }

    // A DLL of the loader is known to the host by its descriptor; the kernel knows its name.
    TovLoadedModule loaded;
    if (TovLoadedModules::instance().tryFind(info->dlpi_addr, loaded) && !modules.empty()) {
        copyText(module.name, sizeof module.name, TovDllBaseName(loaded.fileName).c_str());
        copyText(module.fileName, sizeof module.fileName, loaded.fileName.c_str());
        module.timeKnown = loaded.timeKnown;
        module.timeStamp = loaded.timeStamp;
        modules.push_back(module);
        return 0;
    }

    // The image has no name in the loader's list; the vDSO has no file at all.
    char path[MAX_PATH] = "";
    if (info->dlpi_name != nullptr && info->dlpi_name[0] != '\0') {
        copyText(path, sizeof path, info->dlpi_name);
    } else if (modules.empty()) {
        const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
        path[length > 0 ? length : 0] = '\0';
    }
    if (path[0] == '\0') {
        copyText(module.name, sizeof module.name, modules.empty() ? "<image>" : "<system>");
        modules.push_back(module);
        return 0;
    }
    const char* slash = std::strrchr(path, '/');
    copyText(module.name, sizeof module.name, slash != nullptr ? slash + 1 : path);
    struct stat status;
    if (path[0] == '/' && ::stat(path, &status) == 0) {
        copyText(module.fileName, sizeof module.fileName, path);
        module.timeKnown = true;
        module.timeStamp = status.st_mtime;
    }
    modules.push_back(module);
    return 0;
}

}  // namespace

std::vector<TovModuleInfo> TovListModules() {
    std::vector<TovModuleInfo> modules;
    ::dl_iterate_phdr(addModule, &modules);
    return modules;
}
