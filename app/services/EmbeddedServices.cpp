#include "app/services/EmbeddedServices.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/services/EmbeddedTarget.h"
#include "app/services/PlatformExpert.h"
#include "app/services/RebootNotifier.h"
#include "app/services/RebootRecord.h"
#include "app/services/ServiceRegistry.h"
#include "config/CriticalSectionLock.h"
#include "kernel/hw/Machine.h"
#include "kernel/threads/Thread.h"
#include "kernel/time/Time.h"

namespace rx_fwk {
namespace {

RebootRecord makeRecord(RebootKind kind, std::uint32_t count) {
    RebootRecord record{};
    record.version = RebootRecord::kVersion;
    record.time = static_cast<std::uint32_t>(TovUnixTime());
    record.kind = static_cast<std::uint32_t>(kind);
    record.systemErrorReboots = count;
    return record;
}

void storeRecord(const RebootRecord& record) {
    std::fflush(stdout);
    std::uint8_t bytes[sizeof(RebootRecord)];
    record.toBytes(bytes);
    EmbeddedTarget::instance().writeNVData(bytes, sizeof bytes);
}

}  // namespace

EmbeddedServices& EmbeddedServices::instance() {
    static EmbeddedServices* services = new EmbeddedServices();
    return *services;
}

EmbeddedServices::EmbeddedServices() : systemState_("Running") {
    InitializeCriticalSection(&stateLock_);
    std::uint8_t bytes[sizeof(RebootRecord)] = {};
    EmbeddedTarget& target = EmbeddedTarget::instance();
    const std::size_t got = target.readNVData(bytes, sizeof bytes);
    RebootRecord previous = RebootRecord::fromBytes(bytes);
    if (got == sizeof bytes && previous.version == RebootRecord::kVersion) {
        systemErrorReboots_ = previous.systemErrorReboots;
        stateFinal_ = (previous.flags & RebootRecord::kInstallFlag) != 0;
        if (stateFinal_) {
            installHost_ = previous.host;
        }
    } else {
        previous = RebootRecord{};
    }
    // Each record serves one boot only.
    RebootRecord cleared{};
    cleared.version = RebootRecord::kVersion;
    std::memcpy(cleared.host, previous.host, sizeof cleared.host);
    std::uint8_t out[sizeof(RebootRecord)];
    cleared.toBytes(out);
    target.writeNVData(out, sizeof out);
}

EmbeddedServices::~EmbeddedServices() {
    DeleteCriticalSection(&stateLock_);
}

std::string EmbeddedServices::systemState() const {
    CriticalSectionLock hold(stateLock_);
    return systemState_;
}

void EmbeddedServices::setSystemState(const std::string& state) {
    CriticalSectionLock hold(stateLock_);
    systemState_ = state;
}

void EmbeddedServices::run() {
    EmbeddedTarget::instance().initialize();
    ServiceRegistry::instance().startAll();
    if (systemErrorReboots_ != 0) {
        std::printf("\nReboot due to system error.\n");
        std::fflush(stdout);
    }
}

int EmbeddedServices::stopAllServices() {
    return ServiceRegistry::instance().stopAll();
}

void EmbeddedServices::reboot() {
    storeRecord(makeRecord(RebootKind::Requested, 0));
    notifyReboot(RebootNormal);
    stopAllServices();
    restartMachine();
}

void EmbeddedServices::rebootForInstall(const std::string& host) {
    RebootRecord record = makeRecord(RebootKind::Requested, 0);
    record.flags = RebootRecord::kInstallFlag;
    // A text that does not fit is no dotted address: rather notify nobody than a cut one.
    if (host.size() < RebootRecord::kHostSize) {
        std::memcpy(record.host, host.c_str(), host.size() + 1);
    }
    storeRecord(record);
    notifyReboot(RebootInstall);
    stopAllServices();
    restartMachine();
}

void EmbeddedServices::rebootDueToSystemError() {
    storeRecord(makeRecord(RebootKind::SystemError, systemErrorReboots_ + 1));
    notifyReboot(RebootSystemError);
    restartMachine();
}

void EmbeddedServices::restartMachine() {
    PlatformExpert::instance();
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    TovShutdownNotification();
    if (TovBootInfoFlag() != 0) {
        TovRestartMachine();
    }
    EmbeddedTarget::instance().resetMachine();
    std::abort();  // not reached; g++ does not carry [[noreturn]] through a virtual call
}

}  // namespace rx_fwk
