// The PC compatibility evaluator: whether a desktop PC can serve as a real-time target.
#pragma once

#include <cstdint>
#include <string>

#include "kernel/hw/Pci.h"

namespace nZUEmbCfg {

// Banner, processor, PCI BIOS and memory; sets the system state text (to the memory error
// on a machine with less than 8 MiB).
void runPcEvaluator();

// The parts of its output, for tests.
std::string pciBiosText(BOOL present, const TovPCIBiosInfo& info);
// Prints the total and, below 8 MiB, the error, which it also makes the system state.
void reportMemory(std::uint64_t totalBytes);

}  // namespace nZUEmbCfg
