// The timer interrupt's two-entry tick table: a model of how the kernel keeps 1 ms ticks
// from a PIT that can only count whole periods of its 1,193,180 Hz clock.
#pragma once

#include <cstdint>

#include "kernel/base/Win32Types.h"

struct TovTickEntry {
    WORD divisor;          // 8254 PIT divisor
    std::uint64_t length;  // tick length in ns, 32.16 fixed point
    std::int32_t step;     // added to the error accumulator per tick
};

class TovTickTable {
public:
    static constexpr TovTickEntry kShort{1193, 999849ull * 65536 + 9347, -9886589};
    static constexpr TovTickEntry kLong{1194, 1000687ull * 65536 + 15672, 45038904};
    static constexpr std::uint64_t kNominalPeriod = 1000000;
    static constexpr std::uint64_t kLegacyPeriod = 1000687;

    // Legacy mode always uses the long entry and lets the nominal clock run at its period.
    void setLegacy(bool legacy);
    bool legacy() const { return legacy_; }

    // One timer interrupt.
    void tick();

    const TovTickEntry& current() const { return *current_; }
    // The precise clock in 32.16 fixed-point nanoseconds, and its whole nanoseconds.
    std::uint64_t preciseFixed() const { return precise_; }
    std::uint64_t preciseNanoseconds() const { return precise_ >> 16; }
    std::uint64_t nominalNanoseconds() const { return nominal_; }
    // How often the PIT had to be given a new divisor.
    std::uint64_t reprogramCount() const { return reprograms_; }

private:
    void select(const TovTickEntry& entry);

    const TovTickEntry* current_ = &kShort;
    bool legacy_ = false;
    std::int64_t accumulator_ = 0;
    std::uint64_t precise_ = 0;
    std::uint64_t nominal_ = 0;
    std::uint64_t reprograms_ = 0;
};
