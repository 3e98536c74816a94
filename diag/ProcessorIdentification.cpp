#include "diag/ProcessorIdentification.h"

#include <cstring>

namespace nZUEmbCfg {
namespace {

constexpr DWORD kVendorFunction = 0;
constexpr DWORD kSignatureFunction = 1;
constexpr DWORD kHighestExtended = 0x80000000;
constexpr DWORD kBrandFirst = 0x80000002;
constexpr DWORD kBrandLast = 0x80000004;

TovCpuidRegisters query(CpuidQuery cpuid, DWORD function) {
    TovCpuidRegisters registers{};
    if (!cpuid(function, &registers)) {
        registers = TovCpuidRegisters{};
    }
    return registers;
}

const char* familyName(DWORD family) {
    switch (family) {
        case 4:
            return "486 Family";
        case 5:
            return "Pentium Family";
        case 6:
            return "Pentium II/III Family";
        case 15:
            return "Pentium IV Family";
        default:
            return "";
    }
}

}  // namespace

std::string processorIdentification(CpuidQuery cpuid) {
    if (query(cpuid, kHighestExtended).eax >= kBrandLast) {
        char brand[49] = {};
        for (DWORD function = kBrandFirst; function <= kBrandLast; ++function) {
            const TovCpuidRegisters r = query(cpuid, function);
            const DWORD words[] = {r.eax, r.ebx, r.ecx, r.edx};
            std::memcpy(brand + (function - kBrandFirst) * sizeof words, words, sizeof words);
        }
        return std::string("CPU: ") + brand + " \n";
    }
    const TovCpuidRegisters basic = query(cpuid, kVendorFunction);
    if (basic.eax == 0) {
        return "\n";
    }
    char vendor[13] = {};
    std::memcpy(vendor, &basic.ebx, 4);
    std::memcpy(vendor + 4, &basic.edx, 4);
    std::memcpy(vendor + 8, &basic.ecx, 4);
    std::string line = std::string("CPU: ") + vendor + " ";
    const DWORD signature = query(cpuid, kSignatureFunction).eax;
    if (std::strstr(vendor, "Intel") != nullptr) {
        line += familyName((signature >> 8) & 0xF);
        if (((signature >> 12) & 0xF) == 2) {
            line += " Dual";
        }
    }
    return line + "\n";
}

}  // namespace nZUEmbCfg
