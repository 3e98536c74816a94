// Sleeping the calling thread.
#pragma once

namespace mthread {

void sleep(unsigned milliseconds);

}  // namespace mthread
