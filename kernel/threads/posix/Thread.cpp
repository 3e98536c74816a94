// Threads on pthreads. A thread created suspended exists on the host but waits in the
// kernel's start routine until its suspend count drops to zero; names and priorities are
// kept here (the host gets the name cut to what Linux allows; its scheduling is unchanged).
// Thread ids are the host's, so they match what the host's tools show.
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "kernel/base/posix/HandleTable.h"
#include "kernel/base/posix/Win32Error.h"
#include "kernel/boot/EventLog.h"
#include "kernel/threads/Thread.h"
#include "kernel/threads/posix/AlternateSignalStack.h"
#include "kernel/threads/posix/ThreadRecord.h"

namespace {

constexpr DWORD kFailedCount = 0xFFFFFFFF;
// Controller threads ask for stacks of a few kilobytes; the host's C library needs more.
constexpr std::size_t kMinimumStack = 256 * 1024;
// Longest host thread name, without the terminator.
constexpr std::size_t kHostNameMax = 15;

// Ends the thread's record when the host thread ends, however it ends.
struct CurrentThread {
    std::shared_ptr<TovThreadRecord> record;
    bool exiting = false;
    ~CurrentThread() {
        exiting = true;
        if (record == nullptr) {
            return;
        }
        {
            std::lock_guard<std::mutex> guard(TovWaitLock());
            if (record->exitCode == STILL_ACTIVE) {
                record->exitCode = 0;
            }
            record->ended_ = true;
            record->wakeWaiters();
        }
        // Releasing the record may free it through a wrapped heap that asks for the current
        // thread again: it must then find neither the dying record nor make a new one here.
        std::shared_ptr<TovThreadRecord> last = std::move(record);
    }
};

thread_local CurrentThread tCurrent;

// With the wait lock held.
void applyHostName(TovThreadRecord& record) {
    if (!record.hostKnown || record.ended_) {
        return;
    }
    char hostName[kHostNameMax + 1] = {};
    std::memcpy(hostName, record.name, std::min(std::strlen(record.name), kHostNameMax));
    pthread_setname_np(record.host, hostName);
}

void* threadMain(void* argument) {
    auto* handOver = static_cast<std::shared_ptr<TovThreadRecord>*>(argument);
    std::shared_ptr<TovThreadRecord> record = std::move(*handOver);
    delete handOver;
    tCurrent.record = record;
    std::function<DWORD()> body;
    {
        std::unique_lock<std::mutex> lock(TovWaitLock());
        record->setId(static_cast<DWORD>(gettid()));
        record->resumed.notify_all();  // the creator waits for the id
        record->resumed.wait(lock, [&] { return record->suspendCount == 0; });
        body = std::move(record->body);
    }
    DWORD exitCode;
    {
        // Every kernel thread can be reported even when it overflows its stack.
        TovAlternateSignalStack signalStack;
        TovRecordEvent(TovEvent::ThreadCreate, "thread %lu started",
                       static_cast<unsigned long>(record->id()));
        exitCode = body();
        TovRecordEvent(TovEvent::ThreadExit, "thread %lu ended, code %lu",
                       static_cast<unsigned long>(record->id()),
                       static_cast<unsigned long>(exitCode));
    }
    std::lock_guard<std::mutex> guard(TovWaitLock());
    record->exitCode = exitCode;
    return nullptr;
}

HANDLE startThread(std::size_t stackSize, std::function<DWORD()> body, DWORD flags,
                   DWORD* threadId) {
    auto record = std::make_shared<TovThreadRecord>();
    record->body = std::move(body);
    record->suspendCount = (flags & CREATE_SUSPENDED) != 0 ? 1 : 0;

    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    if (stackSize != 0) {
        std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        stackSize = (std::max(stackSize, kMinimumStack) + page - 1) / page * page;
        pthread_attr_setstacksize(&attributes, stackSize);
    }
    auto* handOver = new std::shared_ptr<TovThreadRecord>(record);
    int error;
    {
        std::unique_lock<std::mutex> lock(TovWaitLock());
        error = pthread_create(&record->host, &attributes, threadMain, handOver);
        record->hostKnown = error == 0;
        if (error == 0) {
            record->resumed.wait(lock, [&] { return record->id() != 0; });
        }
    }
    pthread_attr_destroy(&attributes);
    if (error != 0) {
        delete handOver;
        return TovFail(error == EAGAIN ? ERROR_NOT_ENOUGH_MEMORY : TovWin32ErrorFromErrno(error),
                       HANDLE{nullptr});
    }
    if (threadId != nullptr) {
        *threadId = record->id();
    }
    return TovHandleTable::instance().insert(record);
}

std::shared_ptr<TovThreadRecord> threadFor(HANDLE thread) {
    return TovHandleTable::instance().lookupAs<TovThreadRecord>(thread, TovObjectType::Thread);
}

}  // namespace

std::shared_ptr<TovThreadRecord> TovCurrentThread() {
    if (tCurrent.exiting) {
        // A stand-in for calls made while the host thread's last destructors run.
        static auto* const exited =
            new std::shared_ptr<TovThreadRecord>(std::make_shared<TovThreadRecord>());
        return *exited;
    }
    if (tCurrent.record == nullptr) {
        auto record = std::make_shared<TovThreadRecord>();
        record->setId(static_cast<DWORD>(gettid()));
        std::lock_guard<std::mutex> guard(TovWaitLock());
        record->host = pthread_self();
        record->hostKnown = true;
        tCurrent.record = std::move(record);
    }
    return tCurrent.record;
}

TovThreadRecord* TovCurrentThreadRecordIfAny() {
    return tCurrent.record.get();
}

std::shared_ptr<TovKernelObject> TovCurrentThreadObject() {
    return TovCurrentThread();
}

HANDLE CreateThread(LPVOID, std::size_t stackSize, LPTHREAD_START_ROUTINE start, LPVOID parameter,
                    DWORD flags, DWORD* threadId) {
    if (start == nullptr) {
        return TovFail(ERROR_INVALID_PARAMETER, HANDLE{nullptr});
    }
    return startThread(
        stackSize, [start, parameter] { return start(parameter); }, flags, threadId);
}

std::uintptr_t _beginthreadex(void*, unsigned stackSize, unsigned (*start)(void*), void* parameter,
                              unsigned flags, unsigned* threadId) {
    if (start == nullptr) {
        return TovFail(ERROR_INVALID_PARAMETER, std::uintptr_t{0});
    }
    DWORD id = 0;
    HANDLE thread = startThread(
        stackSize, [start, parameter] { return static_cast<DWORD>(start(parameter)); }, flags, &id);
    if (thread != nullptr && threadId != nullptr) {
        *threadId = id;
    }
    return reinterpret_cast<std::uintptr_t>(thread);
}

DWORD ResumeThread(HANDLE thread) {
    std::shared_ptr<TovThreadRecord> record = threadFor(thread);
    if (record == nullptr) {
        return kFailedCount;
    }
    std::lock_guard<std::mutex> guard(TovWaitLock());
    DWORD previous = record->suspendCount;
    if (previous > 0 && --record->suspendCount == 0) {
        record->resumed.notify_all();
    }
    return previous;
}

// The calling thread stops until it is resumed; another running thread is only counted,
// because a host thread cannot be stopped from outside at an arbitrary point.
DWORD SuspendThread(HANDLE thread) {
    std::shared_ptr<TovThreadRecord> record = threadFor(thread);
    if (record == nullptr) {
        return kFailedCount;
    }
    std::unique_lock<std::mutex> lock(TovWaitLock());
    if (record->ended_) {
        return TovFail(ERROR_ACCESS_DENIED, kFailedCount);
    }
    DWORD previous = record->suspendCount++;
    if (record == tCurrent.record) {
        record->resumed.wait(lock, [&] { return record->suspendCount == 0; });
    }
    return previous;
}

BOOL SetThreadPriority(HANDLE thread, int priority) {
    if (priority == THREAD_PRIORITY_ERROR_RETURN) {
        return TovFail(ERROR_INVALID_PARAMETER, FALSE);
    }
    std::shared_ptr<TovThreadRecord> record = threadFor(thread);
    if (record == nullptr) {
        return FALSE;
    }
    record->priority.store(priority);
    return TRUE;
}

int GetThreadPriority(HANDLE thread) {
    std::shared_ptr<TovThreadRecord> record = threadFor(thread);
    if (record == nullptr) {
        return THREAD_PRIORITY_ERROR_RETURN;
    }
    return record->priority.load();
}

BOOL GetExitCodeThread(HANDLE thread, DWORD* exitCode) {
    if (exitCode == nullptr) {
        return TovFail(ERROR_INVALID_PARAMETER, FALSE);
    }
    std::shared_ptr<TovThreadRecord> record = threadFor(thread);
    if (record == nullptr) {
        return FALSE;
    }
    std::lock_guard<std::mutex> guard(TovWaitLock());
    *exitCode = record->ended_ ? record->exitCode : STILL_ACTIVE;
    return TRUE;
}

void ExitThread(DWORD exitCode) {
    std::shared_ptr<TovThreadRecord> record = TovCurrentThread();
    {
        std::lock_guard<std::mutex> guard(TovWaitLock());
        record->exitCode = exitCode;
    }
    record.reset();
    pthread_exit(nullptr);  // unwinds the stack; the thread's record ends with it
}

HANDLE GetCurrentThread() {
    return kCurrentThreadHandle;
}

DWORD GetCurrentThreadId() {
    return TovCurrentThread()->id();
}

BOOL TovSetThreadName(HANDLE thread, LPCSTR name) {
    if (name == nullptr) {
        return TovFail(ERROR_INVALID_PARAMETER, FALSE);
    }
    std::shared_ptr<TovThreadRecord> record = threadFor(thread);
    if (record == nullptr) {
        return FALSE;
    }
    std::lock_guard<std::mutex> guard(TovWaitLock());
    std::size_t length = strnlen(name, kThreadNameMax);
    std::memcpy(record->name, name, length);
    record->name[length] = '\0';
    applyHostName(*record);
    return TRUE;
}

BOOL TovGetThreadName(HANDLE thread, LPSTR buffer, DWORD size) {
    if (buffer == nullptr || size == 0) {
        return TovFail(ERROR_INVALID_PARAMETER, FALSE);
    }
    std::shared_ptr<TovThreadRecord> record = threadFor(thread);
    if (record == nullptr) {
        return FALSE;
    }
    std::lock_guard<std::mutex> guard(TovWaitLock());
    std::size_t length = std::min<std::size_t>(std::strlen(record->name), size - 1);
    std::memcpy(buffer, record->name, length);
    buffer[length] = '\0';
    return TRUE;
}

BOOL TovGetThreadStack(HANDLE thread, std::uintptr_t* base, std::size_t* size) {
    if (base == nullptr || size == nullptr) {
        return TovFail(ERROR_INVALID_PARAMETER, FALSE);
    }
    std::shared_ptr<TovThreadRecord> record = threadFor(thread);
    if (record == nullptr) {
        return FALSE;
    }
    std::lock_guard<std::mutex> guard(TovWaitLock());
    if (!record->hostKnown || record->ended_) {
        return TovFail(ERROR_INVALID_HANDLE, FALSE);
    }
    pthread_attr_t attributes;
    int error = pthread_getattr_np(record->host, &attributes);
    if (error != 0) {
        return TovFailErrno(error, FALSE);
    }
    void* low = nullptr;
    std::size_t length = 0;
    pthread_attr_getstack(&attributes, &low, &length);
    pthread_attr_destroy(&attributes);
    *base = reinterpret_cast<std::uintptr_t>(low) + length;
    *size = length;
    return TRUE;
}
