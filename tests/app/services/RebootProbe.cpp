// A tiny image for the restart test: reports each boot, then reboots as told.
//   reboot_probe DISK N   reboot due to system errors until the count reaches N, then one
//                         requested reboot (a marker file on C: remembers it), then stop
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/services/EmbeddedServices.h"
#include "kernel/base/Handle.h"
#include "kernel/boot/Kernel.h"
#include "kernel/fs/File.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        return 2;
    }
    TovKernelOptions options;
    options.disk = argv[1];
    options.pace = 0;
    options.argv.assign(argv, argv + argc);
    if (!TovKernelStart(options)) {
        return 3;
    }
    auto& services = rx_fwk::EmbeddedServices::instance();
    std::printf("boot pid=%d count=%u\n", static_cast<int>(getpid()),
                services.systemErrorReboots());
    const bool requestedDone = GetFileAttributesA("C:\\marker") != INVALID_FILE_ATTRIBUTES;
    if (!requestedDone &&
        services.systemErrorReboots() < static_cast<unsigned>(std::atoi(argv[2]))) {
        services.rebootDueToSystemError();
    }
    if (!requestedDone) {
        CloseHandle(CreateFileA("C:\\marker", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        services.reboot();
    }
    return 0;
}
