// Receive and send with a deadline on a loopback connection.
#include "cmdserver/net/DeadlineIo.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "cmdserver/net/ip_address.h"
#include "cmdserver/net/socket_error.h"
#include "cmdserver/net/stream_server.h"
#include "cmdserver/net/stream_sock.h"

namespace rx_fwk {
namespace {

class DeadlineIoTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server_.bind(ip_address("127.0.0.1", 0)));
        ASSERT_TRUE(server_.listen(1));
        int length = 0;
        sockaddr_in own;
        std::memcpy(&own, server_.localAddress(length), sizeof own);
        ASSERT_TRUE(writer_.connect(ip_address(own)));
        reader_ = server_.accept();
        ASSERT_NE(reader_, nullptr);
    }
    void write(const char* bytes, int count) { ASSERT_EQ(writer_.send(bytes, count, 1, 0), count); }

    stream_server<ip_address> server_;
    stream_sock<ip_address> writer_;
    std::unique_ptr<stream_sock<ip_address>> reader_;
    char buffer_[16] = {};
};

TEST_F(DeadlineIoTest, ZeroBytesAreRefusedAsAnInvalidArgument) {
    for (int minimum : {0, -1}) {
        SCOPED_TRACE(minimum);
        EXPECT_EQ(reader_->receive(buffer_, minimum, 4, 1, 0), -1);
        EXPECT_EQ(socket_error().code(), SockErrInvalidArgument);
    }
    EXPECT_EQ(reader_->receive(buffer_, 4, 0, 1, 0), -1);
    EXPECT_EQ(writer_.send(buffer_, 0, 1, 0), -1);
    EXPECT_EQ(socket_error().code(), SockErrInvalidArgument);
}

TEST_F(DeadlineIoTest, AnswersWhatArrivedByTheDeadline) {
    write("abc", 3);
    EXPECT_EQ(reader_->receive(buffer_, 4, 4, 0, 200), 3);
    EXPECT_EQ(std::string(buffer_, 3), "abc");

    // Nothing at all: the time-out code.
    WSASetLastError(0);
    EXPECT_EQ(reader_->receive(buffer_, 4, 4, 0, 100), -1);
    EXPECT_EQ(socket_error().code(), SockErrTimedOut);

    // Enough bytes end the wait at once; more than the minimum may come, never more than
    // the maximum.
    write("0123456789", 10);
    EXPECT_EQ(reader_->receive(buffer_, 4, 6, 1, 0), 6);
    EXPECT_EQ(reader_->receive(buffer_, 4, 16, kNoDeadline, 0), 4);
}

TEST_F(DeadlineIoTest, APeerThatClosedAnswersZero) {
    ASSERT_TRUE(writer_.close());
    EXPECT_EQ(reader_->receive(buffer_, 4, 4, 1, 0), 0);
}

TEST_F(DeadlineIoTest, ThePeersCloseEndsTheWaitWithWhatCameBefore) {
    write("xy", 2);
    ASSERT_TRUE(writer_.close());
    EXPECT_EQ(reader_->receive(buffer_, 4, 4, 5, 0), 2);
    // Meeting the close closed our socket too.
    EXPECT_EQ(reader_->handle(), INVALID_SOCKET);
    EXPECT_EQ(reader_->receive(buffer_, 4, 4, 0, 100), -1);
}

// Kept open, the socket stays the reader's until it closes it: another thread may shut it
// down without meeting a handle number handed out again.
TEST_F(DeadlineIoTest, AKeptSocketOutlivesThePeersClose) {
    write("xy", 2);
    ASSERT_TRUE(writer_.close());
    const SOCKET before = reader_->handle();
    EXPECT_EQ(reader_->receive(buffer_, 4, 4, 5, 0, OnPeerClose::KeepOpen), 2);
    EXPECT_EQ(reader_->receive(buffer_, 4, 4, 5, 0, OnPeerClose::KeepOpen), 0);
    EXPECT_EQ(reader_->handle(), before);
    EXPECT_EQ(shutdown(before, SD_BOTH), 0);
}

}  // namespace
}  // namespace rx_fwk
