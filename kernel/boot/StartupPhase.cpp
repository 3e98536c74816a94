// The start-up phase runner.
#include "kernel/boot/StartupPhase.h"

#include <cstdint>

#include "kernel/boot/DebugPrint.h"

namespace {

constexpr int kPhaseLevel = 10;
constexpr int kStepLevel = 20;

int phaseRunnerLevel() {
    // The default level first, so that "IFT" falls back on the one RTOS.INI gives.
    TovMessageLevel("default");
    return TovMessageLevel("IFT");
}

}  // namespace

int TovRunStartupPhase(const TovStartupStep* table, DWORD phase, const char* phaseName) {
    const int level = phaseRunnerLevel();
    if (level >= kPhaseLevel) {
        if (phaseName != nullptr) {
            TovDebugPrint("Beginning IFT Phase `%s'\n", phaseName);
        } else {
            TovDebugPrint("Beginning IFT Phase #%d\n", int(phase));
        }
    }

    const TovStartupStep* entry = table;
    while (entry->phase != 0 && entry->phase != phase) {
        ++entry;
    }
    int called = 0;
    for (; entry->phase != 0 && entry->phase == phase; ++entry) {
        if (level >= kStepLevel) {
            if (phaseName != nullptr) {
                TovDebugPrint("IFT `%s': ", phaseName);
            } else {
                TovDebugPrint("IFT #%d: ", int(phase));
            }
            if (entry->name != nullptr) {
                TovDebugPrint("invoking %s ", entry->name);
            } else {
                TovDebugPrint("invoking %lx ", static_cast<unsigned long>(
                                                   reinterpret_cast<std::uintptr_t>(entry->step)));
            }
        }
        entry->step(phase, phaseName);
        ++called;
        if (level >= kStepLevel) {
            TovDebugPrint("... Done\n");
        }
    }

    if (level >= kPhaseLevel) {
        if (phaseName != nullptr) {
            TovDebugPrint("Finished IFT Phase `%s', called %d funcs\n", phaseName, called);
        } else {
            TovDebugPrint("Finished IFT Phase #%d, called %d funcs\n", int(phase), called);
        }
    }
    return called;
}
