// Starting the kernel: drives, clocks, console and the kernel's own command line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TovKernelOptions {
    std::string disk;                   // host directory that is drive C:
    double pace = 1.0;                  // scale of the pacing waits
    std::string hostLog;                // host file of the development-host link (none: no link)
    std::string debugLog;               // host file of the debug-string channel (none: no channel)
    bool manageHostInterfaces = false;  // the TCP/IP stack may change host interfaces
    std::uint64_t heapLimit = 0;        // most the kernel heap may hold (0: no limit)
    std::vector<std::string> blockDevices;  // raw sector images, \\.\PhysicalDrive0 onwards
    std::vector<std::string> argv;          // the process's arguments, for the restart
};

// Parses the kernel's command line (--disk DIR, --pace FACTOR, --host-log FILE,
// --debug-log FILE, --manage-host-interfaces, --heap-limit BYTES, --block-device FILE
// (repeatable), --version, --help). Returns false and prints usage, the version or the error
// when the process should end; `exitCode` says how.
bool TovParseCommandLine(int argc, char** argv, TovKernelOptions& options, int& exitCode);

// Brings the kernel up by running its start-up table (phase 1, "Subsystem Init"). Tests call
// it with a temporary disk; calling it again only re-points C:.
bool TovKernelStart(const TovKernelOptions& options);

// Runs the registered main routine on the calling thread, with power-off handling.
int TovRunMainRoutine();
