// The application's DLL release. A DLL's clean-up may release other DLLs; on the same thread
// such a release waits in a queue until the outer one is done, so the kernel's loader is
// never entered again from inside its own unload.
#pragma once

#include "kernel/base/Win32Types.h"

namespace rx_fwk {

// Releases the module with the kernel's loader. Asked for during another release on this
// thread, the module is queued behind it and the answer is true at once; the outer release
// then releases the queue in order. Once one release in that chain fails, the modules queued
// after it are not released and the outer release answers false. False also when a queue
// entry cannot be allocated.
bool releaseDll(HMODULE module);

// Allocates the thread-local index of the queue (start-up does, before any release).
void prepareDllReleaseQueue();

}  // namespace rx_fwk
