// Translation of a processor-exception signal into a Win32 exception record and context.
#pragma once

#include <signal.h>
#include <ucontext.h>

#include "kernel/hw/Exception.h"

// The exception code for a signal and its si_code.
DWORD tovExceptionCodeOf(int signal, int code);

// Only async-signal-safe work: both run inside the signal handler.
void tovFillExceptionRecord(EXCEPTION_RECORD& record, int signal, const siginfo_t& info,
                            const ucontext_t* context);
void tovFillContext(CONTEXT& target, const ucontext_t* context);
