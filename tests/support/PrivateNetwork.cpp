#include "tests/support/PrivateNetwork.h"

#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace lbtest {
namespace {

bool bringLoopbackUp() {
    int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0) {
        return false;
    }
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool ok = ::ioctl(s, SIOCGIFFLAGS, &request) == 0;
    request.ifr_flags |= IFF_UP;
    ok = ok && ::ioctl(s, SIOCSIFFLAGS, &request) == 0;
    ::close(s);
    return ok;
}

}  // namespace

bool enterPrivateNetwork() {
    static const bool entered = ::unshare(CLONE_NEWNET) == 0 && bringLoopbackUp();
    return entered;
}

bool inPrivateNetwork(const std::string& command) {
    return enterPrivateNetwork() && std::system(command.c_str()) == 0;
}

}  // namespace lbtest
