// Tick-table stepping: the accumulator picks the long entry often enough to average 1 ms.
#include "kernel/hw/TickTable.h"

void TovTickTable::setLegacy(bool legacy) {
    legacy_ = legacy;
    accumulator_ = 0;
    select(legacy ? kLong : kShort);
}

void TovTickTable::select(const TovTickEntry& entry) {
    if (current_ != &entry) {
        current_ = &entry;
        ++reprograms_;
    }
}

void TovTickTable::tick() {
    precise_ += current_->length;
    if (legacy_) {
        nominal_ += kLegacyPeriod;
        return;
    }
    nominal_ += kNominalPeriod;
    accumulator_ += current_->step;
    select(accumulator_ < 0 ? kLong : kShort);
}
