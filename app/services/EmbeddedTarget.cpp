#include "app/services/EmbeddedTarget.h"

#include <cstdio>
#include <cstring>

#include "app/services/DesktopApp.h"
#include "app/services/FileSystem.h"
#include "app/services/JoinPath.h"
#include "kernel/base/Handle.h"
#include "kernel/fs/File.h"
#include "kernel/fs/ReplaceFileContents.h"
#include "kernel/time/Time.h"
#include "net/ipConfig.h"

namespace rx_fwk {
namespace {

std::string rebootRecordPath() {
    std::string name = "nvdata.bin";
    joinPath(name, FileSystem::systemDirectory());
    return name;
}

EmbeddedTarget* gInstalledTarget = nullptr;

}  // namespace

EmbeddedTarget& EmbeddedTarget::instance() {
    if (gInstalledTarget != nullptr) {
        return *gInstalledTarget;
    }
    static EmbeddedTarget* target = new DesktopApp();
    return *target;
}

void EmbeddedTarget::install(EmbeddedTarget* target) {
    gInstalledTarget = target;
}

std::size_t EmbeddedTarget::readNVData(void* buffer, std::size_t size) {
    HANDLE file = CreateFileA(rebootRecordPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 0;
    }
    std::size_t total = 0;
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    while (total < size) {
        DWORD got = 0;
        if (!ReadFile(file, bytes + total, static_cast<DWORD>(size - total), &got, nullptr) ||
            got == 0) {
            break;
        }
        total += got;
    }
    CloseHandle(file);
    return total;
}

void EmbeddedTarget::writeNVData(const void* buffer, std::size_t size) {
    // A fresh disk has no system directory yet; the record must still survive the restart.
    FileSystem::ensureSystemDirectory();
    // Replaced whole, never truncated in place: a kill or power loss in between would
    // leave no record and so end the chain of system-error reboots.
    TovReplaceFileContents(rebootRecordPath().c_str(), buffer, static_cast<DWORD>(size));
}

void EmbeddedTarget::macAddressOverride(std::uint8_t mac[6]) {
    std::memset(mac, 0, 6);
}

int EmbeddedTarget::blinkCount(int code) {
    switch (code) {
        case 1:
            return 4;
        case 2:
        case 3:
        case 4:
        case 6:
            return 2;
        case 7:
            return 1;
        case 8:
            return nIPStack::ipConfig().isIPConfigured() ? 3 : 1;
        default:
            return 3;
    }
}

void EmbeddedTarget::blinkStatusForever(int code) {
    const int count = blinkCount(code);
    for (;;) {
        for (int i = 0; i < count; ++i) {
            setLed(0, true);
            Sleep(200);
            setLed(0, false);
            Sleep(200);
        }
        Sleep(1800);
    }
}

void EmbeddedTarget::haltOnServiceFailure() {
    std::printf("Error bringing up basic services.  Cannot start system.\n");
    std::printf("System halted.\n");
    std::fflush(stdout);
    setLed(0, true);
}

}  // namespace rx_fwk
