#include "kernel/hw/posix/SignalException.h"

#include <gtest/gtest.h>

namespace {

struct CodeRow {
    int signal;
    int code;
    DWORD exception;
};

TEST(SignalException, SignalsMapToWin32ExceptionCodes) {
    const CodeRow rows[] = {
        {SIGSEGV, SEGV_MAPERR, EXCEPTION_ACCESS_VIOLATION},
        {SIGSEGV, SEGV_ACCERR, EXCEPTION_ACCESS_VIOLATION},
        {SIGSEGV, SI_USER, EXCEPTION_ACCESS_VIOLATION},
        {SIGBUS, BUS_ADRALN, EXCEPTION_DATATYPE_MISALIGNMENT},
        {SIGBUS, BUS_ADRERR, EXCEPTION_IN_PAGE_ERROR},
        {SIGILL, ILL_ILLOPC, EXCEPTION_ILLEGAL_INSTRUCTION},
        {SIGILL, ILL_PRVOPC, EXCEPTION_PRIV_INSTRUCTION},
        {SIGFPE, FPE_INTDIV, EXCEPTION_INT_DIVIDE_BY_ZERO},
        {SIGFPE, FPE_INTOVF, EXCEPTION_INT_OVERFLOW},
        {SIGFPE, FPE_FLTDIV, EXCEPTION_FLT_DIVIDE_BY_ZERO},
        {SIGFPE, FPE_FLTINV, EXCEPTION_FLT_INVALID_OPERATION},
        {SIGFPE, SI_USER, EXCEPTION_INT_DIVIDE_BY_ZERO},
        {SIGABRT, SI_TKILL, STATUS_FATAL_APP_EXIT},
    };
    for (const CodeRow& row : rows) {
        SCOPED_TRACE(testing::Message() << "signal " << row.signal << " code " << row.code);
        EXPECT_EQ(tovExceptionCodeOf(row.signal, row.code), row.exception);
    }
}

TEST(SignalException, OnlyAnInstructionFaultCarriesAnAddress) {
    siginfo_t info{};
    info.si_code = SEGV_MAPERR;
    info.si_addr = reinterpret_cast<void*>(0x1234);
    EXCEPTION_RECORD record;
    tovFillExceptionRecord(record, SIGSEGV, info, nullptr);
    EXPECT_EQ(record.ExceptionCode, EXCEPTION_ACCESS_VIOLATION);
    EXPECT_EQ(record.NumberParameters, 2u);
    EXPECT_EQ(record.ExceptionInformation[1], 0x1234u);

    info.si_code = SI_USER;
    tovFillExceptionRecord(record, SIGSEGV, info, nullptr);
    EXPECT_EQ(record.NumberParameters, 0u);
}

}  // namespace
