#include "cmdserver/commands/cmd_Reset.h"

#include <algorithm>
#include <cctype>

#include "app/services/EmbeddedServices.h"
#include "cmdserver/CommandServer.h"
#include "cmdserver/TextTrace.h"
#include "cmdserver/commands/PasswordWords.h"
#include "config/ConfigManager.h"
#include "config/RootPassword.h"
#include "kernel/base/Handle.h"
#include "kernel/threads/Sync.h"

namespace rx_fwk {
namespace {

// `status` of a reset request that asks for an install reboot.
constexpr std::uint32_t kInstallRequest = 2;
constexpr unsigned kResetStackSize = 8192;

class RestartMachine final : public ResetAction {
public:
    void reboot() override { EmbeddedServices::instance().reboot(); }
    void rebootForInstall(const std::string& host) override {
        EmbeddedServices::instance().rebootForInstall(host);
    }
};

RestartMachine gRestartMachine;

bool equalIgnoringCase(const std::string& a, const char* b) {
    const std::string other(b);
    return a.size() == other.size() &&
           std::equal(a.begin(), a.end(), other.begin(), [](unsigned char x, unsigned char y) {
               return std::toupper(x) == std::toupper(y);
           });
}

void refuse(CommandPacket& packet, std::uint32_t status) {
    packet.command = NAK;
    packet.status = status;
}

}  // namespace

cmd_Reset& cmd_Reset::instance() {
    static cmd_Reset reset;
    return reset;
}

cmd_Reset::cmd_Reset() : action_(&gRestartMachine) {
    InitializeCriticalSection(&lock_);
    CommandServer::instance().registerCommand(CmdReset, kProtocolVersion, this);
}

cmd_Reset::~cmd_Reset() {
    CommandServer::instance().unregisterCommand(this);
    cancel();
    thread_.reset();
    if (cancelEvent_ != nullptr) {
        CloseHandle(cancelEvent_);
    }
    DeleteCriticalSection(&lock_);
}

bool cmd_Reset::handle(CommandPacket& packet, std::uint32_t) {
    traceText("Received reset command\n");
    EnterCriticalSection(&lock_);
    answer(packet);
    LeaveCriticalSection(&lock_);
    return true;
}

void cmd_Reset::answer(CommandPacket& packet) {
    if (thread_) {
        refuse(packet, StatusBusy);
        return;
    }
    bool install = false;
    const std::string protect =
        ConfigManager::instance().getString("SystemSettings", "Protect_Reboot", "FALSE");
    if (equalIgnoringCase(protect, "TRUE")) {
        const PasswordWords words(packet);
        if (!words.copiesMatch()) {
            refuse(packet, StatusMismatch);
            return;
        }
        if (!verifyRootPasswordHash(words.firstCopy.first, words.firstCopy.second)) {
            refuse(packet, StatusAccessDenied);
            return;
        }
    }
    if (packet.status == kInstallRequest) {
        if (EmbeddedServices::instance().stateFinal()) {
            refuse(packet, StatusInstallRefused);
            return;
        }
        host_ = CommandServer::instance().currentPeer();
        install = true;
    }
    install_ = install;
    if (cancelEvent_ == nullptr) {
        cancelEvent_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }
    ResetEvent(cancelEvent_);
    phase_ = Phase::Waiting;
    thread_ = std::make_unique<mthread::BasicThread>(this, "Command Server Reset Thread");
    if (cancelEvent_ == nullptr || !thread_->start(kResetStackSize)) {
        // No reset: the host must not wait for a restart that never comes.
        thread_.reset();
        phase_ = Phase::Idle;
        refuse(packet, StatusFailed);
        return;
    }
    packet.command = ACK;
}

int cmd_Reset::run() {
    WaitForSingleObject(cancelEvent_, waitMs_);
    Phase waiting = Phase::Waiting;
    if (!phase_.compare_exchange_strong(waiting, Phase::Restarting)) {
        return 0;  // cancelled
    }
    if (install_) {
        action_->rebootForInstall(host_);
    } else {
        action_->reboot();
    }
    return 1;
}

void cmd_Reset::cancel() {
    EnterCriticalSection(&lock_);
    Phase waiting = Phase::Waiting;
    mthread::BasicThread* thread = nullptr;
    if (phase_.compare_exchange_strong(waiting, Phase::Cancelled)) {
        SetEvent(cancelEvent_);
        thread = thread_.get();  // never replaced while the handler runs
    }
    LeaveCriticalSection(&lock_);
    if (thread != nullptr) {
        thread->join(0);
    }
}

void cmd_Reset::setUpForTest(ResetAction* action, unsigned waitMs) {
    cancel();
    thread_.reset();  // joins a thread that is still restarting
    phase_ = Phase::Idle;
    action_ = action != nullptr ? action : &gRestartMachine;
    waitMs_ = waitMs;
}

namespace {
// Registers the handler during static initialisation.
cmd_Reset& gReset = cmd_Reset::instance();
}  // namespace

}  // namespace rx_fwk
