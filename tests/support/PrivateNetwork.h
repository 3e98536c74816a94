// A network namespace of the test's own: loopback only, until the test adds interfaces.
// Fixed ports (44515, 44516) are then the test's alone.
#pragma once

#include <string>

namespace lbtest {

// Moves the calling thread, and every thread it starts afterwards, into a new network
// namespace with loopback up. Once per process; false where namespaces are not allowed.
bool enterPrivateNetwork();

// Runs a shell command (ip link ...) inside that namespace; true when it succeeded.
bool inPrivateNetwork(const std::string& command);

}  // namespace lbtest

#define LBTEST_REQUIRE_PRIVATE_NETWORK()                                          \
    do {                                                                          \
        if (!::lbtest::enterPrivateNetwork()) {                                   \
            GTEST_SKIP() << "needs a network namespace of its own (run as root)"; \
        }                                                                         \
    } while (0)
