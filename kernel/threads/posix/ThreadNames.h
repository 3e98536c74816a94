// The kernel's name of a thread, for crash reports.
#pragma once

#include <sys/types.h>

#include <cstddef>

class TovThreadRecord;

// Copies the thread's name (terminated, cut to size - 1); empty when it has none. The
// record is the kernel's when the thread has one; otherwise the host's name is used, except
// for the process's main thread, whose host name is the program's.
void tovThreadNameOf(const TovThreadRecord* record, pid_t threadId, char* buffer, std::size_t size);
