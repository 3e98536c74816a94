// The kernel's start-up table: what each step does on this kernel. Steps whose piece the
// host provides (heap, threads, TLS, ...) or that has no counterpart here (target
// information block, RTFS drivers) stay in the table as empty steps, so that the table
// and its trace lines keep their order.
#include <cstdio>

#include "kernel/boot/DebugOutput.h"
#include "kernel/boot/DebugPrint.h"
#include "kernel/boot/StartupPhase.h"
#include "kernel/boot/posix/ConsoleStream.h"
#include "kernel/boot/posix/KernelState.h"
#include "kernel/cfs/ConstFs.h"
#include "kernel/fs/WindowsDirectory.h"
#include "kernel/fs/posix/LocalDisk.h"
#include "kernel/heap/Heap.h"
#include "kernel/net/TcpDevice.h"
#include "kernel/profile/Profile.h"
#include "kernel/storage/posix/FileBlockDevice.h"
#include "kernel/time/posix/Clock.h"

namespace {

void nothingToDo(DWORD, const char*) {}

// The event log's companion step; nothing to do on this kernel.
void afterEventLog(DWORD, const char*) {}

void readDefaultMessageLevel(DWORD, const char*) {
    TovReadMessageLevel("default");
}
void readOutputSettings(DWORD, const char*) {
    DebugOutput::instance().readSwitches();
}
void readDebugStringSetting(DWORD, const char*) {
    DebugOutput::instance().readDebugStringMode();
}
void readLoaderMessageLevel(DWORD, const char*) {
    TovReadMessageLevel("Loader");
}

// The monitor: its development-host link and debug-string channel are host files named on
// the kernel's command line; without a name there is no link.
void connectMonitor(DWORD, const char*) {
    const TovKernelOptions& options = TovStartedOptions();
    const struct {
        const std::string& path;
        DebugOutputKind kind;
    } links[] = {{options.hostLog, DebugOutputKind::Host},
                 {options.debugLog, DebugOutputKind::DebugString}};
    for (const auto& link : links) {
        if (link.path.empty()) {
            continue;
        }
        if (std::unique_ptr<DebugSink> sink = TovMakeFileSink(link.path.c_str())) {
            DebugOutput::instance().attach(link.kind, std::move(sink));
        } else {
            std::fprintf(stderr, "Cannot write the kernel's debug output to %s\n",
                         link.path.c_str());
        }
    }
}

void initializeMemoryAllocation(DWORD, const char*) {
    TovSetHeapLimit(TovStartedOptions().heapLimit);
}
void startSystemTime(DWORD, const char*) {
    TovStartTickCount();
}
void mountLocalDisk(DWORD, const char*) {
    TovMountLocalDisk();
}
void mountConstantFileSystem(DWORD, const char*) {
    TovConstFSInit();
}
// The disks of this kernel are the raw images named with --block-device.
void attachBlockDevices(DWORD, const char*) {
    for (const std::string& path : TovStartedOptions().blockDevices) {
        TovAttachBlockDeviceFile(path);
    }
}
void allFileSystemsUp(DWORD, const char*) {
    TovEnableDiskProfiles();
}
void recordWindowsDirectory(DWORD, const char*) {
    TovSetWindowsDirectory("C:\\");
}
// The host's stack carries the traffic; the kernel only learns whether it may change host
// interfaces.
void initializeTcpIp(DWORD, const char*) {
    TovTCPSetManageHostInterfaces(TovStartedOptions().manageHostInterfaces ? TRUE : FALSE);
}
void initializeConsole(DWORD, const char*) {
    TovInstallConsole();
}

}  // namespace

const TovStartupStep kTovStartupTable[] = {
    {1, readDefaultMessageLevel, "Read Default Message Level"},
    {1, readOutputSettings, "Get Output.* Settings"},
    {1, readDebugStringSetting, "Get OutputDebugString Setting"},
    {1, connectMonitor, "Verify Monitor Version"},
    {1, nothingToDo, "Initialize TARGINFO Pointers"},
    {1, nothingToDo, "Record Header TARGINFO"},
    {1, nothingToDo, "Record Handle TARGINFO"},
    {1, initializeMemoryAllocation, "Initialize Memory Allocation"},
    {1, nothingToDo, "Initialize Multi-tasking Library"},
    {1, nothingToDo, "Initialize Event Log"},
    {1, afterEventLog, nullptr},
    {1, nothingToDo, "Allocate Thread Flags TLS Index"},
    {1, nothingToDo, "Allocate Thread Flags TLS Index"},
    {1, nothingToDo, "Initialize Callback Critical Sections"},
    {1, nothingToDo, "Initialize Critical Sections"},
    {1, nothingToDo, "Initialize DLL Loader"},
    {1, startSystemTime, "Initialize System Time"},
    {1, mountLocalDisk, "Initialize filesystem via TovLocalFSInit()"},
    {1, nothingToDo, "Initialize filesystem via TovCustomLocalFSInit()"},
    {1, nothingToDo, "Initialize Host Filesystem"},
    {1, mountConstantFileSystem, "Initialize Constant Filesystem"},
    {1, nothingToDo, "Initialize RTFS USB Driver"},
    {1, nothingToDo, "Initialize RTFS Floppy Driver"},
    {1, attachBlockDevices, "Initialize RTFS IDE Driver"},
    {1, allFileSystemsUp, "All filesystems are initialized."},
    {1, recordWindowsDirectory, "Record Windows Directory"},
    {1, nothingToDo, "Re-initialize TimeZone"},
    {1, nothingToDo, "Re-initialize Command Line"},
    {1, readDefaultMessageLevel, "Read Default Message Level"},
    {1, readOutputSettings, "Re-Get Output.* Settings"},
    {1, readDebugStringSetting, "Get OutputDebugString Setting"},
    {1, readLoaderMessageLevel, "Read Loader Message Level"},
    {1, initializeTcpIp, "Initialize TCP/IP"},
    {1, initializeConsole, "Console Initialization"},
    {1, nothingToDo, "Mark All System Threads"},
    {1, nothingToDo, "Record Available Memory"},
    {0, nullptr, nullptr},
};
