#include "cmdserver/net/BasicThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <vector>

#include "cmdserver/net/callOnce.h"
#include "cmdserver/net/sleep.h"
#include "kernel/threads/Thread.h"

namespace mthread {
namespace {

class Gate : public Runnable {
public:
    int run() override {
        while (!open) {
            sleep(1);
        }
        return 7;
    }
    std::atomic<bool> open{false};
};

TEST(BasicThread, RunsNamedAndReportsItsExitCode) {
    Gate gate;
    BasicThread thread(&gate, "Command Server UDP Socket Thread");  // 32 characters
    EXPECT_FALSE(thread.isRunning());
    ASSERT_TRUE(thread.start(8192));
    EXPECT_TRUE(thread.isRunning());
    EXPECT_FALSE(thread.start(8192));  // already running

    char name[64] = {};
    ASSERT_TRUE(TovGetThreadName(thread.handle(), name, sizeof name));
    EXPECT_STREQ(name, "Command Server UDP Socket Threa");
    EXPECT_EQ(thread.name(), "Command Server UDP Socket Thread");

    EXPECT_EQ(thread.exitCode(), -1);
    gate.open = true;
    EXPECT_TRUE(thread.join(0));
    EXPECT_FALSE(thread.isRunning());
    EXPECT_EQ(thread.exitCode(), 7);
    // Started again after it ended.
    EXPECT_TRUE(thread.start(8192));
    EXPECT_TRUE(thread.join(0));
}

TEST(BasicThread, WithoutRunnableOrWhenBarredFromStarting) {
    BasicThread empty(nullptr, "empty");
    ASSERT_TRUE(empty.start(8192));
    ASSERT_TRUE(empty.join(0));
    EXPECT_EQ(empty.exitCode(), -1);

    Gate gate;
    BasicThread barred(&gate, "barred");
    barred.setFlags(BasicThread::NoStart);
    EXPECT_FALSE(barred.start(8192));
}

// A thread whose priority cannot be set is ended before it runs: the start fails, the object
// does not count as running and its destruction returns.
TEST(BasicThread, APriorityThatCannotBeSetFailsTheStartCleanly) {
    class Counter : public Runnable {
    public:
        int run() override { return ++runs; }
        std::atomic<int> runs{0};
    };
    Counter counter;
    for (unsigned flags : {0u, unsigned{BasicThread::DeleteOnExit}}) {
        SCOPED_TRACE(flags);
        auto thread = std::make_unique<BasicThread>(&counter, "bad priority");
        thread->setFlags(flags);
        thread->setPriority(THREAD_PRIORITY_ERROR_RETURN);
        EXPECT_FALSE(thread->start(8192));
        EXPECT_FALSE(thread->isRunning());
        EXPECT_EQ(thread->exitCode(), -1);
        EXPECT_EQ(counter.runs, 0);
        if (flags == 0) {
            // With a priority it can take, the same object starts and runs.
            thread->setPriority(0);
            ASSERT_TRUE(thread->start(8192));
            EXPECT_TRUE(thread->join(0));
            EXPECT_EQ(counter.runs, 1);
            counter.runs = 0;
        }
        thread.reset();  // returns: nothing is left suspended
    }
}

// Many threads enter at once; the function runs once and every caller returns only after
// it has finished.
TEST(callOnce, RunsOnceUnderContention) {
    MTHREAD_ONCE_GUARD(guard);
    std::atomic<int> calls{0};
    std::atomic<bool> finished{false};
    std::atomic<int> sawUnfinished{0};
    std::atomic<bool> go{false};

    class Caller : public Runnable {
    public:
        Caller(OnceGuard& g, std::atomic<int>& c, std::atomic<bool>& f, std::atomic<int>& u,
               std::atomic<bool>& go)
            : guard_(g), calls_(c), finished_(f), unfinished_(u), go_(go) {}
        int run() override {
            while (!go_) {
                sleep(1);
            }
            callOnce(guard_, [this] {
                ++calls_;
                sleep(50);
                finished_ = true;
            });
            if (!finished_) {
                ++unfinished_;
            }
            return 0;
        }

    private:
        OnceGuard& guard_;
        std::atomic<int>& calls_;
        std::atomic<bool>& finished_;
        std::atomic<int>& unfinished_;
        std::atomic<bool>& go_;
    };

    std::vector<std::unique_ptr<Caller>> callers;
    std::vector<std::unique_ptr<BasicThread>> threads;
    for (int i = 0; i < 8; ++i) {
        callers.push_back(std::make_unique<Caller>(guard, calls, finished, sawUnfinished, go));
        threads.push_back(std::make_unique<BasicThread>(callers.back().get(), "caller"));
        ASSERT_TRUE(threads.back()->start(65536));
    }
    go = true;
    threads.clear();  // joins
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(sawUnfinished, 0);
    EXPECT_EQ(guard.done, 1);
    callOnce(guard, [&calls] { ++calls; });
    EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace mthread
