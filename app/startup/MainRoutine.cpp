// The application's main routine: apply the system settings in their order, recover from
// repeated failed boots, start the services and report the system state.
#include <cstdio>

#include "app/services/EmbeddedServices.h"
#include "app/services/EmbeddedTarget.h"
#include "app/services/LoggingSetup.h"
#include "app/services/ServiceRegistry.h"
#include "app/services/StdOutRedirection.h"
#include "app/startup/DllPreloading.h"
#include "app/startup/EnvironmentSetup.h"
#include "app/startup/LifeboatImage.h"
#include "app/startup/MemoryManagerBoost.h"
#include "app/startup/StartupGate.h"
#include "app/startup/StartupRecovery.h"
#include "app/startup/SystemState.h"
#include "app/startup/TextEncoding.h"
#include "app/startup/TimeStampCalibration.h"
#include "app/startup/TimeZoneSetting.h"
#include "cmdserver/CommandServerService.h"
#include "config/ConfigManager.h"
#include "diag/DiskCache.h"
#include "diag/InitDiskCache.h"
#include "diag/OutOfMemoryHandler.h"
#include "diag/PcEvaluator.h"
#include "diag/tExceptionManager.h"
#include "kernel/boot/Console.h"
#include "kernel/cfs/ImageSection.h"
#include "kernel/hw/Machine.h"
#include "kernel/hw/SystemTimer.h"
#include "kernel/threads/Thread.h"
#include "kernel/time/Time.h"
#include "net/ipConfig.h"

namespace rx_fwk {
namespace {

constexpr std::uint32_t kStateRunning = 8;

// Through the registry, not EmbeddedServices: its first use reads and clears the reboot
// record, which a power-off early in start-up must leave for the next boot. Services that
// never began to start are not asked (asking the IP stack service would load the drivers).
void powerOff() {
    if (StartupGate::instance().beginPowerOff()) {
        ServiceRegistry::instance().stopAll();
    }
    // What the disk cache holds reaches the disks before the process ends.
    nZUEmbCfg::DiskCacheUninstall();
}

[[noreturn]] void suspendForGood() {
    for (;;) {
        SuspendThread(GetCurrentThread());
        Sleep(INFINITE);
    }
}

void applySystemSettings(ConfigManager& settings) {
    applyTimeZoneSetting();
    if (settings.getBool("SystemSettings", "LegacyTickTimerPeriod", false)) {
        TovSetLegacyTickTimer(TRUE);
    }
    setUpMemoryManagerBoost();
    setUpStdOutRedirection(settings);
    calibrateTimeStampCounter();
    if (TovBootInfoFlag() != 0) {
        TovSetConsoleMode(1);
    }
    applyWorkingDirectoryAndEnvironment(settings, isLifeboatImage());
    setUpLogging();
    nZUEmbCfg::installOutOfMemoryHandler();
    nZUEmbCfg::InitDiskCache();
    setUpDllPreloading(settings);
    loadTextEncodingLibrary();
    setTextEncodingCharacterSet(settings.getString("SystemSettings", "language", "L1"));
    nZUEmbCfg::runPcEvaluator();
}

int mainRoutine() {
    // First, so that a crash anywhere in start-up is reported.
    nZUEmbCfg::tExceptionManager::instance().installHandlers();
    TovSetPowerOffHandler(&powerOff);
    registerCommandServerService();
    ConfigManager& settings = ConfigManager::instance();
    applySystemSettings(settings);

    applyResetSwitch(EmbeddedTarget::instance().isSwitchOn(1), settings, &nIPStack::ipConfig);
    // A power-off under way ends the process; start-up goes no further meanwhile.
    EmbeddedServices* reboots = nullptr;
    if (!StartupGate::instance().run([&reboots] { reboots = &EmbeddedServices::instance(); })) {
        suspendForGood();
    }
    EmbeddedServices& services = *reboots;
    switch (
        recoveryAfterSystemErrors(services.systemErrorReboots(), settings, &nIPStack::ipConfig)) {
        case Recovery::ClearNetwork:
            nIPStack::ipConfig().clearTCPStackConfig();
            break;
        case Recovery::Halt:
            EmbeddedTarget::instance().haltOnServiceFailure();
            suspendForGood();
        case Recovery::None:
            break;
    }

    if (!StartupGate::instance().beginServices()) {
        suspendForGood();
    }
    services.run();
    // The drivers are loaded: the pages of B:'s archive that loading read are not needed.
    TovReleaseImageSectionPages();
    reportSystemState(kStateRunning, services.systemState(), true);
}

struct Registration {
    Registration() { TovSetMainRoutine(&mainRoutine); }
} gRegistration;

}  // namespace
}  // namespace rx_fwk
