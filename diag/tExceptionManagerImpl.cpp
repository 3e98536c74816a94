// The exception manager. The filter side frees the reserve, stores the exception and
// waits; the handler thread writes "rtlog.txt" and "eventlog.txt", prints the notice and
// reboots. Two auto-reset events pass control back and forth.
#include "diag/tExceptionManagerImpl.h"

#include <cstdio>
#include <cstring>

#include "app/services/EmbeddedServices.h"
#include "app/services/EmbeddedTarget.h"
#include "app/services/FileSystem.h"
#include "app/services/JoinPath.h"
#include "config/ConfigManager.h"
#include "diag/CrashLog.h"
#include "diag/SystemEventLog.h"
#include "kernel/base/Handle.h"
#include "kernel/fs/Stdio.h"
#include "kernel/hw/VirtualMemory.h"
#include "kernel/threads/Thread.h"
#include "kernel/time/Time.h"

namespace nZUEmbCfg {
namespace {

constexpr std::size_t kReserveSize = 32768;
constexpr std::size_t kHandlerStackSize = 8192;
constexpr long kCrashLogLimit = 131072;

std::atomic<tExceptionManagerImpl*> gInstalled{nullptr};

LONG forwardException(EXCEPTION_POINTERS* exception) {
    tExceptionManagerImpl* manager = gInstalled.load();
    return manager != nullptr ? manager->handleException(exception) : EXCEPTION_CONTINUE_SEARCH;
}

void rebootDueToSystemError() {
    rx_fwk::EmbeddedServices::instance().rebootDueToSystemError();
}

std::string systemFile(const char* name) {
    rx_fwk::FileSystem::ensureSystemDirectory();
    std::string path = name;
    rx_fwk::joinPath(path, rx_fwk::FileSystem::systemDirectory());
    return path;
}

}  // namespace

tExceptionManagerImpl::tExceptionManagerImpl(RebootAction reboot)
    : reboot_(reboot != nullptr ? reboot : &rebootDueToSystemError) {
    InitializeCriticalSection(&lock_);
}

tExceptionManagerImpl::~tExceptionManagerImpl() {
    if (gInstalled.load() == this) {
        SetUnhandledExceptionFilter(nullptr);
        gInstalled.store(nullptr);
    }
    if (thread_ != nullptr) {
        stopping_.store(true);
        SetEvent(exceptionRaised_);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
    }
    closeEvents();
    releaseReserve();
    DeleteCriticalSection(&lock_);
}

void tExceptionManagerImpl::closeEvents() {
    for (HANDLE* event : {&exceptionRaised_, &logWritten_}) {
        if (*event != nullptr) {
            CloseHandle(*event);
            *event = nullptr;
        }
    }
}

void tExceptionManagerImpl::installHandlers() {
    installHandlers(rx_fwk::ConfigManager::instance());
}

void tExceptionManagerImpl::installHandlers(rx_fwk::ConfigManager& settings) {
    if (installed_ || !settings.getBool("debug", "InstallExceptionHandlers", true)) {
        return;
    }
    exceptionRaised_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    logWritten_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (exceptionRaised_ != nullptr && logWritten_ != nullptr) {
        thread_ = CreateThread(nullptr, kHandlerStackSize, handlerThread, this, 0, nullptr);
    }
    if (thread_ == nullptr) {
        closeEvents();
        std::printf("ERROR: Failed to install exception handlers.\n");
        std::fflush(stdout);
        return;
    }
    TovSetThreadName(thread_, "OS Exception Handler Thread");
    gInstalled.store(this);
    SetUnhandledExceptionFilter(forwardException);
    reserve_.store(VirtualAlloc(nullptr, kReserveSize, MEM_COMMIT, PAGE_READWRITE));
    installed_ = true;
}

void tExceptionManagerImpl::releaseReserve() {
    if (void* reserve = reserve_.exchange(nullptr)) {
        VirtualFree(reserve, 0, MEM_RELEASE);
    }
}

LONG tExceptionManagerImpl::handleException(EXCEPTION_POINTERS* exception) {
    if (!installed_) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    releaseReserve();
    EnterCriticalSection(&lock_);
    current_ = *exception;
    if (!TovGetThreadInfo(&faultingThread_)) {
        std::memset(&faultingThread_, 0, sizeof faultingThread_);
    }
    SetEvent(exceptionRaised_);
    WaitForSingleObject(logWritten_, INFINITE);
    LeaveCriticalSection(&lock_);
    // The kernel ends the faulting thread.
    return EXCEPTION_EXECUTE_HANDLER;
}

DWORD tExceptionManagerImpl::handlerThread(LPVOID self) {
    auto* manager = static_cast<tExceptionManagerImpl*>(self);
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    for (;;) {
        WaitForSingleObject(manager->exceptionRaised_, INFINITE);
        if (manager->stopping_.load()) {
            return 0;
        }
        manager->writeReport();
    }
}

void tExceptionManagerImpl::writeReport() {
    const DWORD code = current_.ExceptionRecord->ExceptionCode;
    const std::string path = systemFile("rtlog.txt");
    std::FILE* out = TovFopen(path.c_str(), "a");
    if (out != nullptr) {
        // Measured at the end, whatever position the stream starts at.
        std::fseek(out, 0, SEEK_END);
        if (std::ftell(out) > kCrashLogLimit) {
            std::fclose(out);
            out = TovFopen(path.c_str(), "w");
        }
    }
    if (out != nullptr) {
        rx_fwk::EmbeddedTarget& target = rx_fwk::EmbeddedTarget::instance();
        CrashReport report{};
        report.record = current_.ExceptionRecord;
        report.context = current_.ContextRecord;
        report.thread = faultingThread_;
        report.targetTypeName = target.targetTypeName();
        report.targetCode = target.targetCode();
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        report.timeKnown = FileTimeToSystemTime(&now, &report.utc) != FALSE;
        report.tickCount = GetTickCount();
        report.modules = TovListModules();
        TovGetMemoryStatistics(&report.memory);
        const std::string events = systemFile("eventlog.txt");
        report.saveEvents = [&events] { return saveSystemEvents(events); };
        writeCrashLog(out, report);
        std::fclose(out);
    }
    std::printf("Rebooting system due to exception 0x%0X\n", static_cast<unsigned>(code));
    std::fflush(stdout);
    SetEvent(logWritten_);
    reboot_();
}

}  // namespace nZUEmbCfg
