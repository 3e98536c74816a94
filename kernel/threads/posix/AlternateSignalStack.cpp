#include "kernel/threads/posix/AlternateSignalStack.h"

#include <signal.h>
#include <sys/mman.h>

TovAlternateSignalStack::TovAlternateSignalStack() {
    stack_t current;
    if (::sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_DISABLE) == 0) {
        return;
    }
    void* memory =
        ::mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) {
        return;
    }
    stack_t stack{};
    stack.ss_sp = memory;
    stack.ss_size = kSize;
    if (::sigaltstack(&stack, nullptr) != 0) {
        ::munmap(memory, kSize);
        return;
    }
    memory_ = memory;
}

TovAlternateSignalStack::~TovAlternateSignalStack() {
    if (memory_ == nullptr) {
        return;
    }
    stack_t off{};
    off.ss_flags = SS_DISABLE;
    if (::sigaltstack(&off, nullptr) == 0) {
        ::munmap(memory_, kSize);
    }
}
