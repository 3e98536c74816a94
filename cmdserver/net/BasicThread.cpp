#include "cmdserver/net/BasicThread.h"

#include "kernel/base/Handle.h"
#include "kernel/threads/Sync.h"
#include "kernel/threads/Thread.h"

namespace mthread {

BasicThread::BasicThread(Runnable* runnable, const std::string& name)
    : name_(name), runnable_(runnable) {}

int BasicThread::run() {
    return runnable_ != nullptr ? runnable_->run() : -1;
}

BasicThread::~BasicThread() {
    if ((flags_ & (DeleteOnExit | NoStart)) == 0) {
        join(0);
    }
    if (handle_ != nullptr) {
        CloseHandle(handle_);
    }
}

unsigned BasicThread::entry(void* self) {
    auto* thread = static_cast<BasicThread*>(self);
    if (thread->abandoned_) {
        return static_cast<unsigned>(-1);  // start() answers false and still owns the object
    }
    int code = thread->run();
    thread->exitCode_ = code;
    if (thread->flags_ & DeleteOnExit) {
        delete thread;
    }
    return static_cast<unsigned>(code);
}

bool BasicThread::start(unsigned stackSize) {
    if ((flags_ & NoStart) || isRunning()) {
        return false;
    }
    if (handle_ != nullptr) {
        CloseHandle(handle_);
        handle_ = nullptr;
    }
    exitCode_ = -1;
    abandoned_ = false;
    std::uintptr_t made =
        _beginthreadex(nullptr, stackSize, &BasicThread::entry, this, CREATE_SUSPENDED, &threadId_);
    if (made == 0) {
        return false;
    }
    handle_ = reinterpret_cast<HANDLE>(made);
    if (!SetThreadPriority(handle_, priority_)) {
        // Left suspended, the thread would count as running for ever and the destructor's
        // join would never return.
        abandon();
        return false;
    }
    // The kernel keeps kThreadNameMax characters.
    TovSetThreadName(handle_, name_.substr(0, kThreadNameMax).c_str());
    return ResumeThread(handle_) <= 1;
}

void BasicThread::abandon() {
    abandoned_ = true;
    if (ResumeThread(handle_) != static_cast<DWORD>(-1)) {
        WaitForSingleObject(handle_, INFINITE);
    }
}

bool BasicThread::join(DWORD milliseconds) {
    if ((flags_ & DeleteOnExit) || handle_ == nullptr) {
        return false;
    }
    return WaitForSingleObject(handle_, milliseconds == 0 ? INFINITE : milliseconds) ==
           WAIT_OBJECT_0;
}

bool BasicThread::isRunning() const {
    DWORD code = 0;
    return handle_ != nullptr && GetExitCodeThread(handle_, &code) && code == STILL_ACTIVE;
}

}  // namespace mthread
