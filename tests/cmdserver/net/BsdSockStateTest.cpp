// Which operations each socket state allows, and how the states follow each other.
#include "cmdserver/net/BsdSockState.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "cmdserver/net/BoundSockState.h"
#include "cmdserver/net/BsdSockBase.h"
#include "cmdserver/net/ConnSockState.h"
#include "cmdserver/net/InitialState.h"
#include "cmdserver/net/ListenSockState.h"
#include "cmdserver/net/UninitSockState.h"
#include "cmdserver/net/ip_address.h"
#include "cmdserver/net/stream_server.h"
#include "cmdserver/net/stream_sock.h"

namespace rx_fwk {
namespace {

using Operation = std::function<bool(BsdSockBase&)>;  // true when refused

// Made on first use: the kernel starts after static construction.
const ip_address& loopbackAny() {
    static const ip_address address("127.0.0.1", 0);
    return address;
}

std::map<std::string, Operation> operations() {
    static char buffer[8];
    return {
        {"open", [](BsdSockBase& s) { return !s.open(AF_INET, SOCK_DGRAM, 0); }},
        {"bind", [](BsdSockBase& s) { return !s.bind(loopbackAny().record(), 16); }},
        {"connect", [](BsdSockBase& s) { return !s.connect(loopbackAny().record(), 16); }},
        {"sendTo",
         [](BsdSockBase& s) { return s.sendTo(buffer, 1, 0, loopbackAny().record(), 16) < 0; }},
        {"receiveFrom",
         [](BsdSockBase& s) { return s.receiveFrom(buffer, 1, 0, nullptr, nullptr) < 0; }},
        {"send", [](BsdSockBase& s) { return s.send(buffer, 1, 0) < 0; }},
        {"receive", [](BsdSockBase& s) { return s.receive(buffer, 1, 0) < 0; }},
        {"listen", [](BsdSockBase& s) { return !s.listen(1); }},
        {"accept", [](BsdSockBase& s) { return s.accept() == nullptr; }},
        {"waitReadable", [](BsdSockBase& s) { return !s.waitReadable(0, 0); }},
        {"waitWritable", [](BsdSockBase& s) { return !s.waitWritable(0, 0); }},
        {"localAddress",
         [](BsdSockBase& s) {
             int length = 0;
             return s.localAddress(length) == nullptr;
         }},
        {"peerAddress",
         [](BsdSockBase& s) {
             int length = 0;
             return s.peerAddress(length) == nullptr;
         }},
        {"setOption",
         [](BsdSockBase& s) {
             int on = 1;
             return !s.setOption(SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
         }},
        {"setNonBlocking", [](BsdSockBase& s) { return !s.setNonBlocking(true); }},
    };
}

// A connected pair over loopback, the server side taken from an accept.
struct Connection {
    stream_server<ip_address> server;
    std::unique_ptr<stream_sock<ip_address>> near;
    stream_sock<ip_address> far;
    Connection() {
        EXPECT_TRUE(server.bind(loopbackAny()));
        EXPECT_TRUE(server.listen(1));
        int length = 0;
        sockaddr_in own;
        std::memcpy(&own, server.localAddress(length), sizeof own);
        EXPECT_TRUE(far.connect(ip_address(own)));
        near = server.accept();
        EXPECT_NE(near, nullptr);
    }
};

TEST(BsdSockState, EachStateRefusesWhatItDoesNotAllowWithoutTouchingTheLastError) {
    struct Row {
        const char* state;
        std::function<std::unique_ptr<BsdSockBase>(Connection&)> make;
        const std::type_info& type;
        std::vector<std::string> refused;
    };
    const std::vector<Row> rows = {
        {"initial", [](Connection&) { return std::make_unique<BsdSockBase>(); },
         typeid(InitialState),
         {"bind", "connect", "sendTo", "receiveFrom", "send", "receive", "listen", "accept",
          "waitReadable", "waitWritable", "localAddress", "peerAddress", "setOption",
          "setNonBlocking"}},
        {"uninit",
         [](Connection&) {
             auto s = std::make_unique<BsdSockBase>();
             s->open(AF_INET, SOCK_DGRAM, 0);
             return s;
         },
         typeid(UninitSockState),
         {"open", "sendTo", "receiveFrom", "send", "receive", "listen", "accept",
          "waitReadable", "waitWritable", "localAddress", "peerAddress"}},
        {"bound",
         [](Connection&) {
             auto s = std::make_unique<BsdSockBase>();
             s->open(AF_INET, SOCK_DGRAM, 0);
             s->bind(loopbackAny().record(), 16);
             return s;
         },
         typeid(BoundSockState),
         {"open", "bind", "send", "receive", "accept", "peerAddress"}},
        {"listen",
         [](Connection&) {
             auto s = std::make_unique<BsdSockBase>();
             s->open(AF_INET, SOCK_STREAM, 0);
             s->bind(loopbackAny().record(), 16);
             s->listen(1);
             return s;
         },
         typeid(ListenSockState),
         {"open", "bind", "connect", "sendTo", "receiveFrom", "send", "receive", "listen",
          "waitWritable", "peerAddress", "setOption", "setNonBlocking"}},
        {"connected", [](Connection& c) { return std::move(c.near); }, typeid(ConnSockState),
         {"open", "bind", "connect", "sendTo", "receiveFrom", "listen", "accept",
          "setOption"}},
    };
    const auto ops = operations();
    for (const Row& row : rows) {
        for (const std::string& name : row.refused) {
            SCOPED_TRACE(std::string(row.state) + " " + name);
            Connection connection;
            std::unique_ptr<BsdSockBase> socket = row.make(connection);
            ASSERT_EQ(typeid(socket->state()), row.type);
            const SOCKET before = socket->handle();
            WSASetLastError(0x0badbeef);
            EXPECT_TRUE(ops.at(name)(*socket));
            EXPECT_EQ(WSAGetLastError(), 0x0badbeef);
            EXPECT_EQ(typeid(socket->state()), row.type);
            EXPECT_EQ(socket->handle(), before);
        }
    }
}

TEST(BsdSockState, StatesFollowTheSocketsLife) {
    BsdSockBase stream;
    EXPECT_EQ(stream.handle(), INVALID_SOCKET);
    ASSERT_TRUE(stream.open(AF_INET, SOCK_STREAM, 0));
    EXPECT_EQ(typeid(stream.state()), typeid(UninitSockState));
    ASSERT_TRUE(stream.bind(loopbackAny().record(), 16));
    EXPECT_EQ(typeid(stream.state()), typeid(BoundSockState));
    ASSERT_TRUE(stream.listen(1));
    EXPECT_EQ(typeid(stream.state()), typeid(ListenSockState));
    ASSERT_TRUE(stream.close());
    EXPECT_EQ(typeid(stream.state()), typeid(InitialState));
    EXPECT_EQ(stream.handle(), INVALID_SOCKET);

    // The peer's close, met by a receive, closes the connection's socket as well.
    Connection c;
    EXPECT_EQ(typeid(c.near->state()), typeid(ConnSockState));
    int length = 0;
    EXPECT_NE(c.near->peerAddress(length), nullptr);
    EXPECT_EQ(length, 256);
    ASSERT_TRUE(c.far.close());
    char byte;
    EXPECT_EQ(c.near->BsdSockBase::receive(&byte, 1, 0), 0);
    EXPECT_EQ(typeid(c.near->state()), typeid(InitialState));
    EXPECT_LT(c.near->BsdSockBase::send(&byte, 1, 0), 0);
}

}  // namespace
}  // namespace rx_fwk
