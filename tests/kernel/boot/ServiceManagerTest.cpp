// What the service manager hears: one message per report, on the socket NOTIFY_SOCKET names.
#include "kernel/boot/ServiceManager.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <string>

namespace {

class ServiceManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = ::testing::TempDir() + "notify-" + std::to_string(getpid());
        unlink(path_.c_str());
        socket_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        ASSERT_GE(socket_, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        ASSERT_LT(path_.size(), sizeof address.sun_path);
        path_.copy(address.sun_path, path_.size());
        ASSERT_EQ(bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        timeval wait{5, 0};
        setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        setenv("NOTIFY_SOCKET", path_.c_str(), 1);
    }

    void TearDown() override {
        unsetenv("NOTIFY_SOCKET");
        close(socket_);
        unlink(path_.c_str());
    }

    std::string receive() {
        char buffer[512];
        ssize_t n = recv(socket_, buffer, sizeof buffer, 0);
        return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
    }

    std::string path_;
    int socket_ = -1;
};

TEST_F(ServiceManagerTest, ReadyCarriesTheStateOnOneLine) {
    TovServiceReady("IP Stack Configuration Error");
    EXPECT_EQ(receive(), "READY=1\nSTATUS=IP Stack Configuration Error");
    // A state text cannot add assignments of its own.
    TovServiceReady("Running\nREADY=0\r");
    EXPECT_EQ(receive(), "READY=1\nSTATUS=Running READY=0 ");
}

TEST_F(ServiceManagerTest, RestartAndPowerOff) {
    TovServiceRestarting();
    std::string reloading = receive();
    EXPECT_EQ(reloading.rfind("RELOADING=1\n", 0), 0U) << reloading;
    EXPECT_NE(reloading.find("\nMONOTONIC_USEC="), std::string::npos) << reloading;
    TovServiceStopping();
    EXPECT_EQ(receive().rfind("STOPPING=1\n", 0), 0U);
}

TEST_F(ServiceManagerTest, NothingHappensWithoutASocket) {
    unsetenv("NOTIFY_SOCKET");
    TovServiceReady("Running");
    TovServiceStopping();
    char byte;
    EXPECT_EQ(recv(socket_, &byte, 1, MSG_DONTWAIT), -1);
}

}  // namespace
