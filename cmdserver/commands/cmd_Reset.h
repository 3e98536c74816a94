// Reset: reboots the controller, once per run, optionally as an install reboot after which
// the controller reports its new address to the host that asked.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "cmdserver/CfgCommand.h"
#include "cmdserver/net/BasicThread.h"
#include "cmdserver/net/Runnable.h"
#include "kernel/base/Win32Types.h"
#include "kernel/threads/Sync.h"

namespace rx_fwk {

// How an accepted reset ends once its wait is over. The image restarts through
// EmbeddedServices; tests record the request instead.
class ResetAction {
public:
    virtual void reboot() = 0;
    virtual void rebootForInstall(const std::string& host) = 0;

protected:
    ~ResetAction() = default;
};

class cmd_Reset final : public CfgCommand, public mthread::Runnable {
public:
    // The handler registered for the reset command.
    static cmd_Reset& instance();

    // Lets the ACK leave before the services go down.
    static constexpr unsigned kResetWaitMs = 2000;

    bool handle(CommandPacket& packet, std::uint32_t length) override;
    // The reset thread: the wait, then the restart.
    int run() override;

    // Ends a reset still in its wait without a restart and joins its thread (a power-off
    // must not turn into a reboot). A reset past its wait is restarting already; it is
    // left alone.
    void cancel();
    // The reset thread is alive (waiting or restarting).
    bool threadRunning() const { return thread_ && thread_->isRunning(); }

    // For tests: the action (null: EmbeddedServices) and the wait of the next resets; an
    // earlier reset is cancelled and forgotten, so that the next one is accepted.
    void setUpForTest(ResetAction* action, unsigned waitMs);

private:
    cmd_Reset();
    ~cmd_Reset() override;

    enum class Phase { Idle, Waiting, Cancelled, Restarting };

    void answer(CommandPacket& packet);

    // Guards the thread and the phase between the handler and cancel().
    CRITICAL_SECTION lock_;
    // Created by the first accepted reset and never replaced: later resets are refused.
    std::unique_ptr<mthread::BasicThread> thread_;
    std::string host_;
    bool install_ = false;
    std::atomic<Phase> phase_{Phase::Idle};
    HANDLE cancelEvent_ = nullptr;  // made with the first thread
    ResetAction* action_;
    unsigned waitMs_ = kResetWaitMs;
};

}  // namespace rx_fwk
