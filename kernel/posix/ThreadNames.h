// The kernel's name of a thread, by host thread id.
#pragma once

#include <sys/types.h>

#include <cstddef>

// Copies the thread's name (terminated, cut to size - 1); empty when it has none.
void tovThreadNameOf(pid_t threadId, char* buffer, std::size_t size);
