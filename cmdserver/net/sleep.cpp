#include "cmdserver/net/sleep.h"

#include "kernel/time/Time.h"

namespace mthread {

void sleep(unsigned milliseconds) {
    Sleep(milliseconds);
}

}  // namespace mthread
