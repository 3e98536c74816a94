// The kernel's events, each formatted by the kernel, into "eventlog.txt".
#include "diag/SystemEventLog.h"

#include <cstdio>

#include "kernel/boot/EventLog.h"
#include "kernel/fs/Stdio.h"

namespace nZUEmbCfg {

int saveSystemEvents(const std::string& path) {
    const BOOL wasSuspended = TovSuspendEventLog(TRUE);
    int written = 0;
    const DWORD count = TovEventCount();
    if (count > 0) {
        if (std::FILE* out = TovFopen(path.c_str(), "w")) {
            char line[1024];
            for (DWORD i = 0; i < count && TovFormatEvent(i, line, sizeof line); ++i) {
                std::fprintf(out, "%s", line);
                ++written;
            }
            std::fclose(out);
        }
    }
    TovSuspendEventLog(wasSuspended);
    return written;
}

}  // namespace nZUEmbCfg
