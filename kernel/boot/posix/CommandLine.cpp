// The kernel's own command line: --disk DIR, --pace FACTOR, --host-log FILE,
// --debug-log FILE, --manage-host-interfaces, --block-device FILE, --help.
#include <getopt.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "kernel/boot/Kernel.h"

namespace {

constexpr const char* kDefaultDisk = "./lifeboat-disk";

void printUsage(std::FILE* stream, const char* program) {
    std::fprintf(stream,
                 "Usage: %s [--disk DIR] [--pace FACTOR] [--host-log FILE] [--debug-log FILE]\n"
                 "       [--manage-host-interfaces] [--block-device FILE]... [--help]\n"
                 "  --disk DIR       host directory that is drive C: (default %s,\n"
                 "                   created when missing)\n"
                 "  --pace FACTOR    scale of the fixed pacing waits of start-up\n"
                 "                   (default 1, 0 for none)\n"
                 "  --host-log FILE  host file that receives the kernel's debug output sent\n"
                 "                   to the development host (default: no host link)\n"
                 "  --debug-log FILE host file of the kernel's debug-string channel\n"
                 "                   (default: none)\n"
                 "  --manage-host-interfaces\n"
                 "                   let the TCP/IP stack bring host interfaces up and put\n"
                 "                   static addresses on them (default: never touched)\n"
                 "  --block-device FILE\n"
                 "                   raw image of 512-byte sectors served as the next\n"
                 "                   \\\\.\\PhysicalDriveN (may be given more than once)\n"
                 "  --help           show this text\n",
                 program, kDefaultDisk);
}

bool parsePace(const char* text, double& pace) {
    char* end = nullptr;
    double value = std::strtod(text, &end);
    if (*text == '\0' || *end != '\0' || !std::isfinite(value) || value < 0) {
        return false;
    }
    pace = value;
    return true;
}

}  // namespace

bool TovParseCommandLine(int argc, char** argv, TovKernelOptions& options, int& exitCode) {
    static const option kOptions[] = {
        {"disk", required_argument, nullptr, 'd'},
        {"pace", required_argument, nullptr, 'p'},
        {"host-log", required_argument, nullptr, 'l'},
        {"debug-log", required_argument, nullptr, 'g'},
        {"manage-host-interfaces", no_argument, nullptr, 'm'},
        {"block-device", required_argument, nullptr, 'b'},
        {"help", no_argument, nullptr, 'h'},
        {nullptr, 0, nullptr, 0},
    };
    options.argv.assign(argv, argv + argc);
    if (options.disk.empty()) {
        options.disk = kDefaultDisk;
    }
    const char* program = argc > 0 ? argv[0] : "lifeboat.exe";
    if (const char* slash = std::strrchr(program, '/')) {
        program = slash + 1;
    }
    optind = 0;  // a full rescan, also when called again
    int option;
    while ((option = getopt_long(argc, argv, "+", kOptions, nullptr)) != -1) {
        switch (option) {
            case 'd':
                options.disk = optarg;
                break;
            case 'p':
                if (!parsePace(optarg, options.pace)) {
                    std::fprintf(stderr, "%s: --pace needs a non-negative number, not '%s'\n",
                                 program, optarg);
                    exitCode = 2;
                    return false;
                }
                break;
            case 'l':
                options.hostLog = optarg;
                break;
            case 'g':
                options.debugLog = optarg;
                break;
            case 'm':
                options.manageHostInterfaces = true;
                break;
            case 'b':
                options.blockDevices.push_back(optarg);
                break;
            case 'h':
                printUsage(stdout, program);
                exitCode = 0;
                return false;
            default:  // getopt_long has named the option
                printUsage(stderr, program);
                exitCode = 2;
                return false;
        }
    }
    if (optind < argc) {
        std::fprintf(stderr, "%s: unexpected argument '%s'\n", program, argv[optind]);
        printUsage(stderr, program);
        exitCode = 2;
        return false;
    }
    exitCode = 0;
    return true;
}
