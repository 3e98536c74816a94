// A signal stack of the calling thread's own, so that a thread that ran out of stack can
// still be reported.
#pragma once

#include <cstddef>

class TovAlternateSignalStack {
public:
    // Installs a stack for the calling thread unless it already has one.
    TovAlternateSignalStack();
    // Removes the stack it installed (call on the same thread).
    ~TovAlternateSignalStack();
    TovAlternateSignalStack(const TovAlternateSignalStack&) = delete;
    TovAlternateSignalStack& operator=(const TovAlternateSignalStack&) = delete;

    static constexpr std::size_t kSize = 64 * 1024;

private:
    void* memory_ = nullptr;
};
