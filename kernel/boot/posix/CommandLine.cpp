// The kernel's own command line: --disk DIR, --pace FACTOR, --host-log FILE,
// --debug-log FILE, --manage-host-interfaces, --heap-limit BYTES, --block-device FILE,
// --version, --help.
#include <errno.h>
#include <getopt.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "kernel/boot/Kernel.h"
#include "lifeboat/Version.h"

namespace {

constexpr const char* kDefaultDisk = "./lifeboat-disk";

void printUsage(std::FILE* stream, const char* program) {
    std::fprintf(stream,
                 "Usage: %s [--disk DIR] [--pace FACTOR] [--host-log FILE] [--debug-log FILE]\n"
                 "       [--manage-host-interfaces] [--heap-limit BYTES]\n"
                 "       [--block-device FILE]... [--version] [--help]\n"
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
                 "  --heap-limit BYTES\n"
                 "                   most the kernel heap may hold, with an optional K, M or\n"
                 "                   G (1024-based); the memory total the image reports\n"
                 "                   (default: no limit)\n"
                 "  --block-device FILE\n"
                 "                   raw image of 512-byte sectors served as the next\n"
                 "                   \\\\.\\PhysicalDriveN (may be given more than once)\n"
                 "  --version        print the version and exit\n"
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

// A positive byte count, with an optional K, M or G (powers of 1024).
bool parseByteCount(const char* text, std::uint64_t& bytes) {
    if (*text < '0' || *text > '9') {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (errno != 0) {
        return false;
    }
    unsigned shift = 0;
    switch (*end) {
        case '\0':
            break;
        case 'k':
        case 'K':
            shift = 10;
            break;
        case 'm':
        case 'M':
            shift = 20;
            break;
        case 'g':
        case 'G':
            shift = 30;
            break;
        default:
            return false;
    }
    if (*end != '\0' && end[1] != '\0') {
        return false;
    }
    if (value == 0 || value > (UINT64_MAX >> shift)) {
        return false;
    }
    bytes = static_cast<std::uint64_t>(value) << shift;
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
        {"heap-limit", required_argument, nullptr, 'x'},
        {"block-device", required_argument, nullptr, 'b'},
        {"version", no_argument, nullptr, 'v'},
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
            case 'x':
                if (!parseByteCount(optarg, options.heapLimit)) {
                    std::fprintf(stderr,
                                 "%s: --heap-limit needs a positive byte count (K, M or G may "
                                 "follow), not '%s'\n",
                                 program, optarg);
                    exitCode = 2;
                    return false;
                }
                break;
            case 'v':
                std::printf("%s %s\n", program, LIFEBOAT_VERSION);
                exitCode = 0;
                return false;
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
