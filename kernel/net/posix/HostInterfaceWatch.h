// A kernel thread that listens to the host's routing netlink for link and IPv4 address
// events and reports the index of the interface each one concerns.
#pragma once

#include <functional>

namespace hostif {

class Watch {
public:
    using Listener = std::function<void(int ifindex)>;

    Watch() = default;
    ~Watch() { stop(); }
    Watch(const Watch&) = delete;
    Watch& operator=(const Watch&) = delete;

    // Starts the thread; false (and no thread) where the host refuses the socket.
    bool start(Listener listener);
    // Ends the thread and waits for it, except on the thread itself, which then ends on
    // its own once its listener returns.
    void stop();
    bool running() const { return run_ != nullptr; }

    struct Run;  // one thread's socket and state

private:
    Run* run_ = nullptr;
};

}  // namespace hostif
