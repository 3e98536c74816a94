// The exception manager: a high-priority handler thread writes the crash report while the
// faulting side waits, then reboots the machine after a system error.
#pragma once

#include <atomic>
#include <string>

#include "diag/tExceptionManager.h"
#include "kernel/threads/Sync.h"

namespace rx_fwk {
class ConfigManager;
}

namespace nZUEmbCfg {

class tExceptionManagerImpl : public tExceptionManager {
public:
    // What follows a written report; by default the system-error reboot.
    using RebootAction = void (*)();

    explicit tExceptionManagerImpl(RebootAction reboot = nullptr);
    // Stops and joins the handler thread and gives the exception filter back.
    ~tExceptionManagerImpl() override;
    tExceptionManagerImpl(const tExceptionManagerImpl&) = delete;
    tExceptionManagerImpl& operator=(const tExceptionManagerImpl&) = delete;

    void installHandlers() override;
    void installHandlers(rx_fwk::ConfigManager& settings);
    LONG handleException(EXCEPTION_POINTERS* exception) override;

    bool installed() const { return installed_; }

private:
    static DWORD handlerThread(LPVOID self);
    void writeReport();
    void releaseReserve();
    void closeEvents();

    RebootAction reboot_;
    bool installed_ = false;
    std::atomic<void*> reserve_{nullptr};
    CRITICAL_SECTION lock_;
    HANDLE exceptionRaised_ = nullptr;
    HANDLE logWritten_ = nullptr;
    HANDLE thread_ = nullptr;
    std::atomic<bool> stopping_{false};
    EXCEPTION_POINTERS current_{};
    TovThreadInfo faultingThread_{};
};

}  // namespace nZUEmbCfg
