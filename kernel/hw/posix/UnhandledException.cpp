// Processor-exception signals to the unhandled-exception filter. The faulting thread may
// hold any lock (the allocator's, stdio's), so inside the signal handler it only copies its
// state and talks to the dispatch thread through pipes; the filter runs on that thread.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "kernel/boot/EventLog.h"
#include "kernel/hw/Exception.h"
#include "kernel/hw/posix/SignalException.h"
#include "kernel/threads/posix/AlternateSignalStack.h"
#include "kernel/threads/posix/ThreadNames.h"
#include "kernel/threads/posix/ThreadRecord.h"

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr std::size_t kSignalCount = sizeof kSignals / sizeof kSignals[0];

// The exception being dispatched; the token pipe admits one faulting thread at a time.
struct Fault {
    int signal;
    bool sent;  // by kill: the receiving thread goes on, the dispatcher settles the verdict
    EXCEPTION_RECORD record;
    CONTEXT context;
    pthread_t thread;
    pid_t threadId;
    const TovThreadRecord* kernelThread;  // null for a thread the kernel never met
    LONG verdict;
};

Fault gFault;
int gToken[2] = {-1, -1};    // holds one byte while no exception is being dispatched;
                             // its read end does not block
int gWake[2] = {-1, -1};     // faulting thread -> dispatcher: 'F' fault, 'Q' quit
int gVerdict[2] = {-1, -1};  // dispatcher -> faulting thread: the filter has decided

std::atomic<LPTOP_LEVEL_EXCEPTION_FILTER> gFilter{nullptr};
std::atomic<pid_t> gDispatcherId{0};
std::mutex gInstallLock;
pthread_t gDispatcher;
bool gDispatching = false;
struct sigaction gPrevious[kSignalCount];

thread_local const Fault* tActingFor = nullptr;

pid_t currentThreadId() {
    return static_cast<pid_t>(::syscall(SYS_gettid));
}

bool readByte(int fd, char& byte) {
    for (;;) {
        const ssize_t n = ::read(fd, &byte, 1);
        if (n == 1) {
            return true;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        return false;
    }
}

// Waits for the token; a sent signal only takes it when it is free.
bool takeToken(bool wait) {
    char byte;
    for (;;) {
        const ssize_t n = ::read(gToken[0], &byte, 1);
        if (n == 1) {
            return true;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno == EAGAIN && wait) {
            pollfd ready{gToken[0], POLLIN, 0};
            ::poll(&ready, 1, -1);
            continue;
        }
        return false;
    }
}

bool writeByte(int fd, char byte) {
    for (;;) {
        const ssize_t n = ::write(fd, &byte, 1);
        if (n == 1) {
            return true;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        return false;
    }
}

// The signal's own default: an instruction fault repeats when the handler returns; a sent
// signal (kill, raise, abort) is raised again and delivered once the handler is left.
void fallBackToDefault(int signal, const siginfo_t* info) {
    struct sigaction standard;
    std::memset(&standard, 0, sizeof standard);
    standard.sa_handler = SIG_DFL;
    ::sigemptyset(&standard.sa_mask);
    ::sigaction(signal, &standard, nullptr);
    if (info == nullptr || info->si_code <= 0 || signal == SIGABRT) {
        ::raise(signal);
    }
}

[[noreturn]] void parkForever() {
    sigset_t all;
    ::sigfillset(&all);
    ::pthread_sigmask(SIG_BLOCK, &all, nullptr);
    for (;;) {
        ::pause();
    }
}

// A signal sent with kill did not come from anything the receiving thread did, and that
// thread may be anywhere, inside the allocator too: it is not held. It hands its context
// over and goes on until the reboot; an exception already in hand makes the signal moot.
bool sentByKill(const siginfo_t* info) {
    return info != nullptr && (info->si_code == SI_USER || info->si_code == SI_QUEUE);
}

void onExceptionSignal(int signal, siginfo_t* info, void* rawContext) {
    const int savedErrno = errno;
    const pid_t self = currentThreadId();
    const bool sent = sentByKill(info);
    char byte;
    // The dispatcher itself faulting (in the filter) cannot wait for itself.
    if (gFilter.load() == nullptr || self == gDispatcherId.load() || gToken[0] < 0) {
        fallBackToDefault(signal, info);
        errno = savedErrno;
        return;
    }
    if (!takeToken(!sent)) {
        if (!sent) {
            fallBackToDefault(signal, info);
        }
        errno = savedErrno;
        return;
    }
    const auto* context = static_cast<const ucontext_t*>(rawContext);
    gFault.signal = signal;
    gFault.sent = sent;
    tovFillExceptionRecord(gFault.record, signal, *info, context);
    tovFillContext(gFault.context, context);
    gFault.thread = ::pthread_self();
    gFault.threadId = self;
    gFault.kernelThread = TovCurrentThreadRecordIfAny();
    gFault.verdict = EXCEPTION_CONTINUE_SEARCH;
    if (sent) {
        if (!writeByte(gWake[1], 'F')) {
            writeByte(gToken[1], 'T');
        }
        errno = savedErrno;
        return;
    }

    const bool decided = writeByte(gWake[1], 'F') && readByte(gVerdict[0], byte);
    const LONG verdict = decided ? gFault.verdict : EXCEPTION_CONTINUE_SEARCH;
    writeByte(gToken[1], 'T');
    if (verdict == EXCEPTION_EXECUTE_HANDLER) {
        parkForever();
    }
    fallBackToDefault(signal, info);
    errno = savedErrno;
}

void* dispatchExceptions(void*) {
    // Exceptions sent to the process (kill) must reach a thread that can wait for us.
    sigset_t all;
    ::sigfillset(&all);
    ::pthread_sigmask(SIG_BLOCK, &all, nullptr);
    gDispatcherId.store(currentThreadId());

    char byte;
    while (readByte(gWake[0], byte) && byte == 'F') {
        TovRecordEvent(TovEvent::Exception, "0x%08X at %p in thread %d",
                       static_cast<unsigned>(gFault.record.ExceptionCode),
                       gFault.record.ExceptionAddress, static_cast<int>(gFault.threadId));
        EXCEPTION_POINTERS pointers{&gFault.record, &gFault.context};
        const LPTOP_LEVEL_EXCEPTION_FILTER filter = gFilter.load();
        tActingFor = &gFault;
        gFault.verdict = filter != nullptr ? filter(&pointers) : EXCEPTION_CONTINUE_SEARCH;
        tActingFor = nullptr;
        if (!gFault.sent) {
            writeByte(gVerdict[1], 'V');
            continue;
        }
        if (gFault.verdict != EXCEPTION_EXECUTE_HANDLER) {
            // Nobody handles it: the default action, as if the filter were not there.
            struct sigaction standard;
            std::memset(&standard, 0, sizeof standard);
            standard.sa_handler = SIG_DFL;
            ::sigaction(gFault.signal, &standard, nullptr);
            ::kill(::getpid(), gFault.signal);
        }
        writeByte(gToken[1], 'T');
    }
    return nullptr;
}

void closePipe(int (&fds)[2]) {
    for (int& fd : fds) {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
}

bool startDispatching() {
    if (::pipe2(gToken, O_CLOEXEC) != 0 || ::fcntl(gToken[0], F_SETFL, O_NONBLOCK) != 0 ||
        ::pipe2(gWake, O_CLOEXEC) != 0 || ::pipe2(gVerdict, O_CLOEXEC) != 0 ||
        !writeByte(gToken[1], 'T') ||
        ::pthread_create(&gDispatcher, nullptr, dispatchExceptions, nullptr) != 0) {
        closePipe(gToken);
        closePipe(gWake);
        closePipe(gVerdict);
        return false;
    }
    gDispatching = true;
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_sigaction = onExceptionSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    // A second exception signal inside the handler ends the process instead of waiting for
    // the token this thread already holds.
    ::sigemptyset(&action.sa_mask);
    for (const int signal : kSignals) {
        ::sigaddset(&action.sa_mask, signal);
    }
    for (std::size_t i = 0; i < kSignalCount; ++i) {
        ::sigaction(kSignals[i], &action, &gPrevious[i]);
    }
    // The main thread keeps its signal stack for the life of the process.
    static TovAlternateSignalStack* mainThreadStack = new TovAlternateSignalStack();
    (void)mainThreadStack;
    return true;
}

void stopDispatching() {
    for (std::size_t i = 0; i < kSignalCount; ++i) {
        ::sigaction(kSignals[i], &gPrevious[i], nullptr);
    }
    writeByte(gWake[1], 'Q');
    ::pthread_join(gDispatcher, nullptr);
    gDispatcherId.store(0);
    gDispatching = false;
    closePipe(gToken);
    closePipe(gWake);
    closePipe(gVerdict);
}

bool fillStack(pthread_t thread, TovThreadInfo& info) {
    pthread_attr_t attributes;
    if (::pthread_getattr_np(thread, &attributes) != 0) {
        return false;
    }
    void* low = nullptr;
    std::size_t size = 0;
    const bool known = ::pthread_attr_getstack(&attributes, &low, &size) == 0;
    ::pthread_attr_destroy(&attributes);
    if (known) {
        info.stackBase = reinterpret_cast<std::uintptr_t>(low);
        info.stackSize = size;
    }
    return known;
}

}  // namespace

LPTOP_LEVEL_EXCEPTION_FILTER SetUnhandledExceptionFilter(LPTOP_LEVEL_EXCEPTION_FILTER filter) {
    std::lock_guard<std::mutex> hold(gInstallLock);
    if (filter != nullptr && !gDispatching && !startDispatching()) {
        return gFilter.load();
    }
    const LPTOP_LEVEL_EXCEPTION_FILTER previous = gFilter.exchange(filter);
    if (filter == nullptr && gDispatching) {
        stopDispatching();
    }
    return previous;
}

BOOL TovGetThreadInfo(TovThreadInfo* info) {
    if (info == nullptr) {
        return FALSE;
    }
    std::memset(info, 0, sizeof *info);
    const pthread_t thread = tActingFor != nullptr ? tActingFor->thread : ::pthread_self();
    const pid_t id = tActingFor != nullptr ? tActingFor->threadId : currentThreadId();
    const TovThreadRecord* record =
        tActingFor != nullptr ? tActingFor->kernelThread : TovCurrentThreadRecordIfAny();
    info->threadId = static_cast<DWORD>(id);
    tovThreadNameOf(record, id, info->name, sizeof info->name);
    if (!fillStack(thread, *info)) {
        std::memset(info, 0, sizeof *info);
        return FALSE;
    }
    return TRUE;
}
