// Interrupt vectors: the kernel's vector table, the PC/AT numbering of IRQ lines and the
// kernel's own calls that install, save and restore a vector's routine.
#pragma once

#include "kernel/base/Win32Types.h"

// What an interrupt routine is told about the interrupt it serves.
struct TovInterruptContext {
    DWORD vector;
    DWORD irq;  // the IRQ line, or kTovNoIrq for a vector that is not one
};

using TovInterruptRoutine = void (*)(TovInterruptContext* context);

// A vector's routine as saved by trueTovSaveInterruptHandler.
struct TovSavedInterrupt {
    TovInterruptRoutine routine;
};

constexpr DWORD kTovIrqLines = 16;
constexpr DWORD kTovInterruptVectors = 256;
constexpr DWORD kTovNoIrq = 0xFFFFFFFF;

// The two interrupt controllers of the PC/AT: vectors 8 to 15 are IRQ 0 to 7, vectors 0x70
// to 0x77 are IRQ 8 to 15; every other vector is no IRQ line (kTovNoIrq).
constexpr DWORD TovIrqOfVector(DWORD vector) {
    if (vector >= 0x08 && vector <= 0x0F) {
        return vector - 0x08;
    }
    if (vector >= 0x70 && vector <= 0x77) {
        return vector - 0x70 + 8;
    }
    return kTovNoIrq;
}

// The vector of an IRQ line (0 to 15).
constexpr DWORD TovVectorOfIrq(DWORD irq) {
    return irq < 8 ? 0x08 + irq : 0x70 + irq - 8;
}

// Installs `routine` (null: none) on the vector. FALSE with ERROR_INVALID_PARAMETER for a
// vector beyond the table.
BOOL trueTovSetInterruptHandler(DWORD vector, TovInterruptRoutine routine);
// Copies the vector's current routine into `saved`.
BOOL trueTovSaveInterruptHandler(DWORD vector, TovSavedInterrupt* saved);
// Puts a saved routine back on the vector.
BOOL trueTovRestoreInterruptHandler(DWORD vector, const TovSavedInterrupt* saved);
