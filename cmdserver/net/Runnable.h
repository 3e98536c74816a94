// What a thread runs.
#pragma once

namespace mthread {

class Runnable {
public:
    virtual ~Runnable() = default;
    // The thread's exit code.
    virtual int run() = 0;
};

}  // namespace mthread
