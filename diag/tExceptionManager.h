// The process's handling of unhandled exceptions: a crash report, then a reboot.
#pragma once

#include "kernel/hw/Exception.h"

namespace nZUEmbCfg {

class tExceptionManager {
public:
    // The process-wide manager, created once on first use and never destroyed.
    static tExceptionManager& instance();

    // Once; does nothing when [debug] InstallExceptionHandlers is false.
    virtual void installHandlers() = 0;
    // Called on the faulting thread's behalf: EXCEPTION_CONTINUE_SEARCH when not installed;
    // otherwise the report is written, the machine reboots and the faulting thread ends.
    virtual LONG handleException(EXCEPTION_POINTERS* exception) = 0;
    virtual ~tExceptionManager() = default;
};

}  // namespace nZUEmbCfg
