// Signal to exception translation: si_code picks the precise exception, ucontext the
// registers.
#include "kernel/hw/posix/SignalException.h"

#include <cstring>

DWORD tovExceptionCodeOf(int signal, int code) {
    switch (signal) {
        case SIGSEGV:
            return EXCEPTION_ACCESS_VIOLATION;
        case SIGBUS:
            return code == BUS_ADRALN ? EXCEPTION_DATATYPE_MISALIGNMENT : EXCEPTION_IN_PAGE_ERROR;
        case SIGILL:
            return code == ILL_PRVOPC || code == ILL_PRVREG ? EXCEPTION_PRIV_INSTRUCTION
                                                            : EXCEPTION_ILLEGAL_INSTRUCTION;
        case SIGFPE:
            switch (code) {
                case FPE_INTOVF:
                    return EXCEPTION_INT_OVERFLOW;
                case FPE_FLTDIV:
                    return EXCEPTION_FLT_DIVIDE_BY_ZERO;
                case FPE_FLTOVF:
                    return EXCEPTION_FLT_OVERFLOW;
                case FPE_FLTUND:
                    return EXCEPTION_FLT_UNDERFLOW;
                case FPE_FLTRES:
                    return EXCEPTION_FLT_INEXACT_RESULT;
                case FPE_FLTINV:
                    return EXCEPTION_FLT_INVALID_OPERATION;
                case FPE_FLTSUB:
                    return EXCEPTION_ARRAY_BOUNDS_EXCEEDED;
                default:
                    return EXCEPTION_INT_DIVIDE_BY_ZERO;
            }
        case SIGABRT:
            return STATUS_FATAL_APP_EXIT;
        default:
            return EXCEPTION_ACCESS_VIOLATION;
    }
}

void tovFillExceptionRecord(EXCEPTION_RECORD& record, int signal, const siginfo_t& info,
                            const ucontext_t* context) {
    std::memset(&record, 0, sizeof record);
    record.ExceptionCode = tovExceptionCodeOf(signal, info.si_code);
    record.ExceptionFlags = EXCEPTION_NONCONTINUABLE;
#if defined(__x86_64__)
    if (context != nullptr) {
        record.ExceptionAddress = reinterpret_cast<LPVOID>(context->uc_mcontext.gregs[REG_RIP]);
    }
#endif
    // Sent by another process (kill) rather than raised by an instruction: no address.
    const bool fromInstruction = info.si_code > 0;
    if (fromInstruction && (signal == SIGSEGV || signal == SIGBUS)) {
        ULONG_PTR access = 0;
#if defined(__x86_64__)
        // Page-fault error code: bit 1 write, bit 4 instruction fetch.
        if (context != nullptr) {
            const auto error = static_cast<ULONG_PTR>(context->uc_mcontext.gregs[REG_ERR]);
            access = (error & 0x10) != 0 ? 8 : (error & 0x2) != 0 ? 1 : 0;
        }
#endif
        record.NumberParameters = 2;
        record.ExceptionInformation[0] = access;
        record.ExceptionInformation[1] = reinterpret_cast<ULONG_PTR>(info.si_addr);
    }
}

void tovFillContext(CONTEXT& target, const ucontext_t* context) {
    std::memset(&target, 0, sizeof target);
    if (context == nullptr) {
        return;
    }
#if defined(__x86_64__)
    const greg_t* r = context->uc_mcontext.gregs;
    target.Rax = static_cast<ULONGLONG>(r[REG_RAX]);
    target.Rbx = static_cast<ULONGLONG>(r[REG_RBX]);
    target.Rcx = static_cast<ULONGLONG>(r[REG_RCX]);
    target.Rdx = static_cast<ULONGLONG>(r[REG_RDX]);
    target.Rsi = static_cast<ULONGLONG>(r[REG_RSI]);
    target.Rdi = static_cast<ULONGLONG>(r[REG_RDI]);
    target.Rbp = static_cast<ULONGLONG>(r[REG_RBP]);
    target.Rsp = static_cast<ULONGLONG>(r[REG_RSP]);
    target.Rip = static_cast<ULONGLONG>(r[REG_RIP]);
    target.R8 = static_cast<ULONGLONG>(r[REG_R8]);
    target.R9 = static_cast<ULONGLONG>(r[REG_R9]);
    target.R10 = static_cast<ULONGLONG>(r[REG_R10]);
    target.R11 = static_cast<ULONGLONG>(r[REG_R11]);
    target.R12 = static_cast<ULONGLONG>(r[REG_R12]);
    target.R13 = static_cast<ULONGLONG>(r[REG_R13]);
    target.R14 = static_cast<ULONGLONG>(r[REG_R14]);
    target.R15 = static_cast<ULONGLONG>(r[REG_R15]);
    target.EFlags = static_cast<ULONGLONG>(r[REG_EFL]);
    // cs, gs, fs and (since Linux 4.8) ss share one slot; ds and es are not saved, and are
    // the same for every thread of the process.
    const auto selectors = static_cast<ULONGLONG>(r[REG_CSGSFS]);
    target.SegCs = static_cast<WORD>(selectors);
    target.SegGs = static_cast<WORD>(selectors >> 16);
    target.SegFs = static_cast<WORD>(selectors >> 32);
    target.SegSs = static_cast<WORD>(selectors >> 48);
    constexpr unsigned long kSigcontextSs = 0x2;  // UC_SIGCONTEXT_SS
    if ((context->uc_flags & kSigcontextSs) == 0) {
        unsigned short ss = 0;
        asm volatile("mov %%ss, %0" : "=r"(ss));
        target.SegSs = ss;
    }
    unsigned short ds = 0;
    unsigned short es = 0;
    asm volatile("mov %%ds, %0" : "=r"(ds));
    asm volatile("mov %%es, %0" : "=r"(es));
    target.SegDs = ds;
    target.SegEs = es;
#endif
}
