// A driver DLL for the loader's tests: it imports kernel functions from the image the way
// Ethernet drivers do.
#include "kernel/base/Handle.h"
#include "kernel/hw/Pci.h"
#include "kernel/module/DllExport.h"
#include "kernel/threads/Sync.h"
#include "kernel/threads/Thread.h"
#include "kernel/time/Time.h"

namespace {

using UnloadHook = void (*)(void* context);
UnloadHook gUnloadHook = nullptr;
void* gUnloadContext = nullptr;

DWORD countUp(LPVOID parameter) {
    ++*static_cast<DWORD*>(parameter);
    return 7;
}

// Runs when the DLL is unloaded.
struct Unload {
    ~Unload() {
        if (gUnloadHook != nullptr) {
            gUnloadHook(gUnloadContext);
        }
    }
} gUnload;

}  // namespace

TOV_DLL_EXPORT int lbprobeAnswer() {
    return 42;
}

// A thread of the kernel, waited for; answers its exit code.
TOV_DLL_EXPORT DWORD lbprobeRunThread(DWORD* counter) {
    HANDLE thread = CreateThread(nullptr, 0, countUp, counter, 0, nullptr);
    if (thread == nullptr) {
        return 0;
    }
    Sleep(1);
    DWORD code = 0;
    if (WaitForSingleObject(thread, 10000) != WAIT_OBJECT_0 || !GetExitCodeThread(thread, &code)) {
        code = 0;
    }
    CloseHandle(thread);
    return code;
}

TOV_DLL_EXPORT BOOL lbprobeFindPci(WORD vendor, WORD device, TovPCIAddress* address) {
    return TovPCIInit() && TovPCIFindDevice(vendor, device, 0, address);
}

TOV_DLL_EXPORT void lbprobeOnUnload(UnloadHook hook, void* context) {
    gUnloadHook = hook;
    gUnloadContext = context;
}
