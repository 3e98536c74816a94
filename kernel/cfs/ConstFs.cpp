// Mounting constant file systems: the image's archive at start-up, others on request.
#include "kernel/cfs/ConstFs.h"

#include <memory>
#include <mutex>

#include "kernel/base/LastError.h"
#include "kernel/boot/DebugPrint.h"
#include "kernel/cfs/CfsDrive.h"
#include "kernel/cfs/CfsMessages.h"
#include "kernel/cfs/CfsUnreadyDrive.h"
#include "kernel/cfs/ImageSection.h"

namespace {

// The image's table, once built; it lives for the rest of the run.
std::mutex gInitLock;
bool gImageMounted = false;

int driveOfSectionName(const char (&name)[9]) {
    const char letter = name[5];
    return letter >= 'A' && letter <= 'Z' ? letter - 'A' : -1;
}

}  // namespace

int TovConstFSMount(const unsigned char* archive, std::size_t size, int preferred) {
    const int level = TovMessageLevel("FileSystem.CFS");
    std::shared_ptr<const CfsFileTable> table = CfsFileTable::build(archive, size, level);
    if (!table) {
        // The drive is there but not ready: every request on it fails with 21.
        if (preferred >= 0 && preferred < 26) {
            const DWORD error = GetLastError();
            TovRegisterDrive(preferred, std::make_shared<CfsUnreadyDrive>(level));
            SetLastError(error);
        }
        return -1;
    }
    auto drive = std::make_shared<CfsDrive>(table, level);
    if (preferred >= 0 && preferred < 26) {
        drive->setDriveLetter(char('A' + preferred));
    }
    const int number = TovRegisterDrive(preferred, drive);
    if (number < 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return -1;
    }
    drive->setDriveLetter(char('A' + number));
    drive->setCurrentDirectory("/");
    return number;
}

void TovConstFSInit() {
    const int level = TovMessageLevel("FileSystem.CFS");
    std::lock_guard<std::mutex> guard(gInitLock);
    if (gImageMounted) {
        if (level >= kCfsErrorLevel) {
            TovDebugPrint("TovConstFSInit: already initialized\n");
        }
        return;
    }
    char name[9];
    const unsigned char* archive;
    std::size_t size;
    if (!TovFindImageSectionByPrefix(".CFS_", name, &archive, &size)) {
        if (level >= kCfsErrorLevel) {
            TovDebugPrint("TovConstFSInit: no .CFS_x PE object found\n");
        }
        SetLastError(ERROR_INVALID_DATA);
        return;
    }
    gImageMounted = TovConstFSMount(archive, size, driveOfSectionName(name)) >= 0;
}
