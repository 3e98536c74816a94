// A named kernel thread running a Runnable.
#pragma once

#include <atomic>
#include <string>

#include "cmdserver/net/Runnable.h"
#include "kernel/base/Win32Types.h"

namespace mthread {

class BasicThread {
public:
    enum Flag : unsigned {
        DeleteOnExit = 1,  // the object deletes itself when its thread ends
        NoStart = 2,       // the object may not be started
    };

    // `runnable` may be null (run then answers -1); it is not owned.
    BasicThread(Runnable* runnable, const std::string& name);
    virtual int run();
    // Joins without a limit (unless a flag is set), then closes the handle.
    virtual ~BasicThread();
    BasicThread(const BasicThread&) = delete;
    BasicThread& operator=(const BasicThread&) = delete;

    // False when the thread could not be made or set up; a thread made but not set up is
    // ended before it runs, so the object is then not running and may be destroyed.
    bool start(unsigned stackSize);
    // 0 waits without limit; true when the thread has ended.
    bool join(DWORD milliseconds = 0);
    bool isRunning() const;

    const std::string& name() const { return name_; }
    int exitCode() const { return exitCode_; }
    void setFlags(unsigned flags) { flags_ = flags; }
    void setPriority(int priority) { priority_ = priority; }
    unsigned threadId() const { return threadId_; }
    // The kernel's handle of the thread (null until started).
    HANDLE handle() const { return handle_; }

private:
    static unsigned entry(void* self);
    // Lets a thread still suspended at its start end without running, and waits for it.
    void abandon();

    HANDLE handle_ = nullptr;
    std::string name_;
    Runnable* runnable_;
    unsigned flags_ = 0;
    std::atomic<int> exitCode_{-1};
    int priority_ = 0;
    unsigned threadId_ = 0;
    std::atomic<bool> abandoned_{false};
};

}  // namespace mthread
