// Link and address events of host interfaces, from a netlink socket (libnl-route) that a
// kernel thread polls together with a stop descriptor.
#include "kernel/net/posix/HostInterfaceWatch.h"

#include <netlink/msg.h>
#include <netlink/netlink.h>
#include <netlink/object.h>
#include <netlink/route/addr.h>
#include <netlink/route/link.h>
#include <netlink/socket.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

#include "kernel/base/Handle.h"
#include "kernel/threads/Sync.h"
#include "kernel/threads/Thread.h"

namespace hostif {

struct Watch::Run {
    Listener listener;
    nl_sock* socket = nullptr;
    int stopFd = -1;
    HANDLE thread = nullptr;
    DWORD threadId = 0;
    std::atomic<bool> ownsItself{false};  // stopped from its own thread: frees itself

    ~Run() {
        if (socket != nullptr) {
            nl_socket_free(socket);
        }
        if (stopFd >= 0) {
            ::close(stopFd);
        }
        if (thread != nullptr) {
            CloseHandle(thread);
        }
    }
};

namespace {

constexpr const char* kThreadName = "TCP/IP Link Monitor Thread";

void onObject(nl_object* object, void* arg) {
    auto* run = static_cast<Watch::Listener*>(arg);
    const char* type = nl_object_get_type(object);
    int ifindex = 0;
    if (std::strcmp(type, "route/link") == 0) {
        ifindex = rtnl_link_get_ifindex(reinterpret_cast<rtnl_link*>(object));
    } else if (std::strcmp(type, "route/addr") == 0) {
        ifindex = rtnl_addr_get_ifindex(reinterpret_cast<rtnl_addr*>(object));
    }
    if (ifindex > 0) {
        (*run)(ifindex);
    }
}

int onMessage(nl_msg* message, void* arg) {
    nl_msg_parse(message, onObject, arg);
    return NL_OK;
}

}  // namespace

// The thread body; a friend in all but name, it reaches Run through its parameter.
DWORD watchThread(LPVOID parameter) {
    auto* run = static_cast<Watch::Run*>(parameter);
    TovSetThreadName(GetCurrentThread(), kThreadName);
    pollfd fds[2] = {{nl_socket_get_fd(run->socket), POLLIN, 0}, {run->stopFd, POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            continue;  // interrupted
        }
        if (fds[1].revents != 0) {
            break;
        }
        if (fds[0].revents != 0) {
            nl_recvmsgs_default(run->socket);
        }
    }
    if (run->ownsItself.load()) {
        delete run;
    }
    return 0;
}

bool Watch::start(Listener listener) {
    if (run_ != nullptr) {
        return true;
    }
    auto* run = new Run();
    run->listener = std::move(listener);
    run->socket = nl_socket_alloc();
    run->stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    bool ok = run->socket != nullptr && run->stopFd >= 0;
    if (ok) {
        nl_socket_disable_seq_check(run->socket);
        nl_socket_modify_cb(run->socket, NL_CB_VALID, NL_CB_CUSTOM, onMessage, &run->listener);
        ok = nl_connect(run->socket, NETLINK_ROUTE) == 0 &&
             nl_socket_add_memberships(run->socket, RTNLGRP_LINK, RTNLGRP_IPV4_IFADDR, 0) == 0 &&
             nl_socket_set_nonblocking(run->socket) == 0;
    }
    if (ok) {
        run->thread = CreateThread(nullptr, 0, watchThread, run, 0, &run->threadId);
        ok = run->thread != nullptr;
    }
    if (!ok) {
        delete run;
        return false;
    }
    run_ = run;
    return true;
}

void Watch::stop() {
    Run* run = run_;
    if (run == nullptr) {
        return;
    }
    run_ = nullptr;
    const std::uint64_t one = 1;
    const bool self = GetCurrentThreadId() == run->threadId;
    if (self) {
        run->ownsItself.store(true);
    }
    if (::write(run->stopFd, &one, sizeof one) != sizeof one) {
        // Cannot fail for an eventfd below its maximum count.
    }
    if (!self) {
        WaitForSingleObject(run->thread, INFINITE);
        delete run;
    }
}

}  // namespace hostif
