// Time-stamp counter through CPUID and RDTSC where the processor has them.
#include "kernel/hw/TimeStampCounter.h"

#include <atomic>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <x86intrin.h>
#endif

namespace {
std::atomic<ULONGLONG> gFrequency{0};
}

BOOL TovHasTimeStampCounter() {
#if defined(__x86_64__) || defined(__i386__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    constexpr unsigned kTscFlag = 1u << 4;
    return __get_cpuid(1, &eax, &ebx, &ecx, &edx) && (edx & kTscFlag) != 0 ? TRUE : FALSE;
#else
    return FALSE;
#endif
}

ULONGLONG TovReadTimeStampCounter() {
#if defined(__x86_64__) || defined(__i386__)
    return __rdtsc();
#else
    return 0;
#endif
}

void TovSetTimeStampFrequency(ULONGLONG frequency) {
    gFrequency.store(frequency);
}

ULONGLONG TovTimeStampFrequency() {
    return gFrequency.load();
}
