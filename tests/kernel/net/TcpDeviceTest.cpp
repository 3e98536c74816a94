#include "kernel/net/TcpDevice.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

#include "kernel/base/LastError.h"
#include "kernel/interrupts/IrqHook.h"
#include "kernel/net/HostInterface.h"
#include "kernel/net/TcpGlobalSettings.h"
#include "kernel/net/WinSock.h"
#include "kernel/threads/Sync.h"
#include "tests/support/PrivateNetwork.h"

namespace {

constexpr const char* kInterface = "lbtcp0";

TovHostInterface hostInterface(const char* name) {
    for (const TovHostInterface& i : TovListHostInterfaces()) {
        if (i.name == name) {
            return i;
        }
    }
    ADD_FAILURE() << "no interface " << name;
    return {};
}

// A veth pair of the test's own in the test program's private network namespace.
class TcpDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        LBTEST_REQUIRE_PRIVATE_NETWORK();
        ASSERT_TRUE(lbtest::inPrivateNetwork("ip link add lbtcp0 type veth peer name lbtcp1"));
        made_ = true;
    }
    void TearDown() override {
        if (handle_ != 0) {
            TovTCPUnregisterDevice(handle_);
        }
        TovTCPSetManageHostInterfaces(FALSE);
        if (made_) {
            lbtest::inPrivateNetwork("ip link del lbtcp0");
        }
    }

    // Registers the device as a driver does (zeroed record, field 32 set to 1) and writes
    // the settings as the IP stack service does: a copy of the stack's record, changed.
    void registerWith(const char* address, const char* netmask) {
        TovTCPDeviceCfg initial{};
        initial.ipEnabled = 1;
        ASSERT_EQ(TovTCPRegisterDevice(&initial, kInterface, &handle_), 0);
        const TovTCPDeviceCfg* current = TovTCPGetDeviceCfg(handle_);
        ASSERT_NE(current, nullptr);
        TovTCPDeviceCfg changed = *current;
        changed.address = address != nullptr ? inet_addr(address) : kTovTCPUseDHCP;
        changed.netmask = netmask != nullptr ? inet_addr(netmask) : kTovTCPUseDHCP;
        std::strcpy(changed.hostName, "controller");
        ASSERT_EQ(TovTCPSetDeviceCfg(handle_, &changed), 0);
    }

    DWORD statusFlags() {
        TovTCPDeviceStatus status{};
        status.size = sizeof status;
        EXPECT_EQ(TovTCPGetDeviceStatus(handle_, &status), 0);
        return status.flags;
    }

    bool made_ = false;
    DWORD handle_ = 0;
};

TEST_F(TcpDeviceTest, ManagedActivationPutsTheStaticAddressOnTheInterfaceUntilDeactivation) {
    TovTCPSetManageHostInterfaces(TRUE);
    registerWith("10.77.0.5", "255.255.255.0");
    const TovTCPDeviceCfg* record = TovTCPGetDeviceCfg(handle_);
    EXPECT_STREQ(record->interfaceName, kInterface);
    EXPECT_EQ(record->ipEnabled, 1u);
    EXPECT_STREQ(record->hostName, "controller");
    EXPECT_EQ(std::memcmp(record->mac, hostInterface(kInterface).mac, 6), 0);
    EXPECT_EQ(statusFlags() & kTovTCPDeviceActive, 0u);

    ASSERT_EQ(TovTCPActivateDevice(handle_), 0);
    TovHostInterface veth = hostInterface(kInterface);
    EXPECT_TRUE(veth.up);
    EXPECT_EQ(veth.address, inet_addr("10.77.0.5"));
    EXPECT_EQ(veth.netmask, inet_addr("255.255.255.0"));
    EXPECT_EQ(statusFlags(), kTovTCPDeviceRegistered | kTovTCPDeviceActive);  // no carrier
    ASSERT_EQ(TovTCPActivateDevice(handle_), 0);  // again: the address is there already

    ASSERT_EQ(TovTCPDeactivateDevice(handle_), 0);
    EXPECT_EQ(hostInterface(kInterface).address, 0u);
    EXPECT_EQ(statusFlags() & kTovTCPDeviceActive, 0u);
}

TEST_F(TcpDeviceTest, WithoutManagementTheInterfaceIsNeverTouched) {
    registerWith("10.77.0.5", "255.255.255.0");
    ASSERT_EQ(TovTCPActivateDevice(handle_), 0);
    EXPECT_NE(statusFlags() & kTovTCPDeviceActive, 0u);
    EXPECT_EQ(TovTCPGetDeviceCfg(handle_)->address, inet_addr("10.77.0.5"));
    TovHostInterface veth = hostInterface(kInterface);
    EXPECT_FALSE(veth.up);
    EXPECT_EQ(veth.address, 0u);
    ASSERT_EQ(TovTCPDeactivateDevice(handle_), 0);
    EXPECT_FALSE(hostInterface(kInterface).up);
}

TEST_F(TcpDeviceTest, ADhcpDeviceShowsTheAddressOfItsInterface) {
    TovTCPSetManageHostInterfaces(TRUE);
    registerWith(nullptr, nullptr);
    EXPECT_EQ(TovTCPGetDeviceCfg(handle_)->address, 0u);  // none yet

    ASSERT_TRUE(lbtest::inPrivateNetwork("ip addr add 10.78.1.9/16 dev lbtcp0"));
    const TovTCPDeviceCfg* record = TovTCPGetDeviceCfg(handle_);
    EXPECT_EQ(record->address, inet_addr("10.78.1.9"));
    EXPECT_EQ(record->netmask, inet_addr("255.255.0.0"));

    // Activation brings the link up and leaves the host's address alone, and so does
    // deactivation.
    ASSERT_EQ(TovTCPActivateDevice(handle_), 0);
    EXPECT_TRUE(hostInterface(kInterface).up);
    ASSERT_EQ(TovTCPDeactivateDevice(handle_), 0);
    EXPECT_EQ(hostInterface(kInterface).address, inet_addr("10.78.1.9"));
}

// Answers about the host's network are kept between changes; every change of address,
// route or link, made by another process, is seen by the very next question.
TEST_F(TcpDeviceTest, KeptAnswersFollowEveryChangeOfAddressRouteAndLink) {
    registerWith(nullptr, nullptr);
    ASSERT_TRUE(lbtest::inPrivateNetwork("ip link set lbtcp1 up && ip link set lbtcp0 up"));
    TovTCPGlobalSettings global{};
    ASSERT_EQ(TovTCPGetGlobalSettings(&global), 0);
    global.gateway = {kTovTCPUseDHCP, handle_};
    ASSERT_EQ(TovTCPSetGlobalSettings(&global), 0);
    // A socket of the whole interface reports the address the interface has at the time.
    WSADATA winsock;
    ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &winsock), 0);
    SOCKET s = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_NE(s, INVALID_SOCKET);
    ASSERT_EQ(setsockopt(s, SOL_SOCKET, TOV_SO_INTERFACE, kInterface,
                         static_cast<int>(std::strlen(kInterface) + 1)),
              0);
    sockaddr_in any{};
    any.sin_family = AF_INET;
    ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&any), sizeof any), 0);

    struct Step {
        const char* command;
        const char* address;
        const char* netmask;
        const char* gateway;
        bool linkUp;
        BYTE macLast;
    } steps[] = {
        {"ip link set lbtcp0 address 02:00:00:00:00:01", "0.0.0.0", "0.0.0.0", "0.0.0.0", true,
         0x01},
        {"ip addr add 10.78.1.9/16 dev lbtcp0", "10.78.1.9", "255.255.0.0", "0.0.0.0", true, 0x01},
        {"ip route add default via 10.78.0.1", "10.78.1.9", "255.255.0.0", "10.78.0.1", true, 0x01},
        {"ip route replace default via 10.78.0.254", "10.78.1.9", "255.255.0.0", "10.78.0.254",
         true, 0x01},
        {"ip addr del 10.78.1.9/16 dev lbtcp0 && ip addr add 10.78.2.7/24 dev lbtcp0", "10.78.2.7",
         "255.255.255.0", "0.0.0.0", true, 0x01},  // the route went with it
        {"ip route add default via 10.78.2.1", "10.78.2.7", "255.255.255.0", "10.78.2.1", true,
         0x01},
        {"ip link set lbtcp0 address 02:00:00:00:00:02", "10.78.2.7", "255.255.255.0", "10.78.2.1",
         true, 0x02},
        {"ip route del default", "10.78.2.7", "255.255.255.0", "0.0.0.0", true, 0x02},
        {"ip link set lbtcp1 down", "10.78.2.7", "255.255.255.0", "0.0.0.0", false, 0x02},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.command);
        // Asked twice before the change, so that the answers are the kept ones.
        for (int i = 0; i < 2; ++i) {
            TovTCPGetDeviceCfg(handle_);
            TovTCPGetGlobalSettings(&global);
        }
        ASSERT_TRUE(lbtest::inPrivateNetwork(step.command));

        const TovTCPDeviceCfg* record = TovTCPGetDeviceCfg(handle_);
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->address, inet_addr(step.address));
        EXPECT_EQ(record->netmask, inet_addr(step.netmask));
        EXPECT_EQ(record->mac[5], step.macLast);
        ASSERT_EQ(TovTCPGetGlobalSettings(&global), 0);
        EXPECT_EQ(global.gateway.address, inet_addr(step.gateway));
        TovTCPDeviceStatus status{};
        status.size = sizeof status;
        ASSERT_EQ(TovTCPGetDeviceStatus(handle_, &status), 0);
        EXPECT_EQ(status.address, inet_addr(step.address));
        EXPECT_EQ((status.flags & kTovTCPDeviceLinkUp) != 0, step.linkUp);
        DWORD address = 0, netmask = 0;
        EXPECT_EQ(TovHostInterfaceAddress(kInterface, &address, &netmask),
                  std::strcmp(step.address, "0.0.0.0") != 0);
        EXPECT_EQ(address, inet_addr(step.address));
        EXPECT_EQ(hostInterface(kInterface).address, inet_addr(step.address));
        sockaddr_in own{};
        int length = sizeof own;
        ASSERT_EQ(getsockname(s, reinterpret_cast<sockaddr*>(&own), &length), 0);
        EXPECT_EQ(own.sin_addr.s_addr, inet_addr(step.address));
    }
    closesocket(s);
    WSACleanup();
    global.gateway = {0, 0};
    TovTCPSetGlobalSettings(&global);
}

TEST_F(TcpDeviceTest, AScopeSeesOneStateAndTheNextOneSeesTheChange) {
    registerWith(nullptr, nullptr);
    ASSERT_TRUE(lbtest::inPrivateNetwork("ip addr add 10.78.1.9/16 dev lbtcp0"));
    {
        TovHostNetworkScope request;
        EXPECT_EQ(TovTCPGetDeviceCfg(handle_)->address, inet_addr("10.78.1.9"));
        ASSERT_TRUE(lbtest::inPrivateNetwork(
            "ip addr del 10.78.1.9/16 dev lbtcp0 && ip addr add 10.78.3.3/24 dev lbtcp0"));
        TovHostNetworkScope nested;
        EXPECT_EQ(TovTCPGetDeviceCfg(handle_)->address, inet_addr("10.78.1.9"));
        EXPECT_EQ(TovTCPGetDeviceCfg(handle_)->netmask, inet_addr("255.255.0.0"));
    }
    EXPECT_EQ(TovTCPGetDeviceCfg(handle_)->address, inet_addr("10.78.3.3"));
    ASSERT_TRUE(lbtest::inPrivateNetwork("ip addr del 10.78.3.3/24 dev lbtcp0"));
    TovHostNetworkScope next;
    EXPECT_EQ(TovTCPGetDeviceCfg(handle_)->address, 0u);
}

TEST_F(TcpDeviceTest, AChangeBeforeTheDatagramThatEndsAWaitIsSeenAfterIt) {
    registerWith(nullptr, nullptr);
    ASSERT_TRUE(lbtest::inPrivateNetwork("ip addr add 10.78.1.9/16 dev lbtcp0"));
    WSADATA winsock;
    ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &winsock), 0);
    SOCKET receiver = socket(AF_INET, SOCK_DGRAM, 0);
    SOCKET sender = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in loopback{};
    loopback.sin_family = AF_INET;
    ASSERT_EQ(bind(receiver, reinterpret_cast<sockaddr*>(&loopback), sizeof loopback), 0);
    int length = sizeof loopback;
    ASSERT_EQ(getsockname(receiver, reinterpret_cast<sockaddr*>(&loopback), &length), 0);
    loopback.sin_addr.s_addr = inet_addr("127.0.0.1");

    const struct {
        const char* change;  // made before the datagram is sent
        const char* address;
    } rounds[] = {
        {"true", "10.78.1.9"},
        {"ip addr del 10.78.1.9/16 dev lbtcp0 && ip addr add 10.78.3.3/24 dev lbtcp0", "10.78.3.3"},
        {"true", "10.78.3.3"},
        {"ip addr del 10.78.3.3/24 dev lbtcp0", "0.0.0.0"},
    };
    for (const auto& round : rounds) {
        SCOPED_TRACE(round.change);
        TovTCPGetDeviceCfg(handle_);  // the kept view, before the change
        ASSERT_TRUE(lbtest::inPrivateNetwork(round.change));
        ASSERT_EQ(
            sendto(sender, "x", 1, 0, reinterpret_cast<sockaddr*>(&loopback), sizeof loopback), 1);
        WSAFDSET readable;
        WSAFD_ZERO(&readable);
        WSAFD_SET(receiver, &readable);
        TIMEVAL wait{5, 0};
        ASSERT_EQ(select(0, &readable, nullptr, nullptr, &wait), 1);
        char byte;
        ASSERT_EQ(recv(receiver, &byte, 1, 0), 1);
        TovHostNetworkScope request;
        EXPECT_EQ(TovTCPGetDeviceCfg(handle_)->address, inet_addr(round.address));
    }
    closesocket(sender);
    closesocket(receiver);
    WSACleanup();
}

TEST_F(TcpDeviceTest, TheStacksOwnChangesShowAtOnceInsideAScope) {
    TovTCPSetManageHostInterfaces(TRUE);
    registerWith("10.77.0.5", "255.255.255.0");
    TovHostNetworkScope request;
    EXPECT_EQ(hostInterface(kInterface).address, 0u);
    ASSERT_EQ(TovTCPActivateDevice(handle_), 0);
    EXPECT_EQ(hostInterface(kInterface).address, inet_addr("10.77.0.5"));
    EXPECT_TRUE(hostInterface(kInterface).up);
    ASSERT_EQ(TovTCPDeactivateDevice(handle_), 0);
    EXPECT_EQ(hostInterface(kInterface).address, 0u);
}

std::atomic<int> gRaised{0};
HANDLE gRaisedEvent = nullptr;
void lineHook(DWORD, TovInterruptContext*, void*) {
    gRaised.fetch_add(1);
    SetEvent(gRaisedEvent);
}

TEST_F(TcpDeviceTest, EventsOfTheInterfaceRaiseTheDevicesOwnLine) {
    registerWith(nullptr, nullptr);
    const DWORD irq = TovTCPGetDeviceCfg(handle_)->irq;
    ASSERT_LT(irq, 16u);
    // A second device gets a line of its own.
    DWORD second = 0;
    ASSERT_EQ(TovTCPRegisterDevice(nullptr, "lbtcp1", &second), 0);
    EXPECT_NE(TovTCPGetDeviceCfg(second)->irq, irq);

    gRaisedEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    gRaised = 0;
    ASSERT_TRUE(TovIrqHookAdd(irq, lineHook, nullptr, 0));
    ASSERT_TRUE(lbtest::inPrivateNetwork("ip link set lbtcp0 up"));
    EXPECT_EQ(WaitForSingleObject(gRaisedEvent, 10000), WAIT_OBJECT_0);
    EXPECT_GE(gRaised.load(), 1);

    EXPECT_EQ(TovTCPUnregisterDevice(second), 0);
    EXPECT_TRUE(TovIrqHookRemove(irq, lineHook, nullptr));
}

TEST_F(TcpDeviceTest, RecordsThatCannotBeAppliedAreRefused) {
    TovTCPSetManageHostInterfaces(TRUE);
    struct Row {
        const char* address;
        const char* netmask;
    };
    const Row rows[] = {{"10.77.0.5", "255.0.255.0"},
                        {"10.77.0.5", "0.0.0.0"},
                        {"255.255.255.255", "255.255.255.0"},
                        {"224.0.0.1", "255.255.255.0"},
                        {"127.0.0.2", "255.0.0.0"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.address + std::string("/") + row.netmask);
        registerWith(row.address, row.netmask);
        SetLastError(0xdeadbeef);
        EXPECT_EQ(TovTCPActivateDevice(handle_), int(ERROR_INVALID_PARAMETER));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
        EXPECT_EQ(statusFlags() & kTovTCPDeviceActive, 0u);
        EXPECT_EQ(TovTCPUnregisterDevice(handle_), 0);
        handle_ = 0;
    }
    EXPECT_FALSE(hostInterface(kInterface).up);
}

TEST(TcpDeviceErrorsTest, UnknownDevicesAndBadArguments) {
    SetLastError(0xdeadbeef);
    EXPECT_EQ(TovTCPGetDeviceCfg(0xBAD), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    TovTCPDeviceCfg record{};
    TovTCPDeviceStatus status{sizeof status, 0, 0, 0};
    EXPECT_EQ(TovTCPSetDeviceCfg(0xBAD, &record), int(ERROR_INVALID_HANDLE));
    EXPECT_EQ(TovTCPActivateDevice(0xBAD), int(ERROR_INVALID_HANDLE));
    EXPECT_EQ(TovTCPDeactivateDevice(0xBAD), int(ERROR_INVALID_HANDLE));
    EXPECT_EQ(TovTCPGetDeviceStatus(0xBAD, &status), int(ERROR_INVALID_HANDLE));
    EXPECT_EQ(TovTCPUnregisterDevice(0xBAD), int(ERROR_INVALID_HANDLE));
    status.size = 15;
    EXPECT_EQ(TovTCPGetDeviceStatus(0xBAD, &status), int(ERROR_INVALID_PARAMETER));
    DWORD handle = 0;
    EXPECT_EQ(TovTCPRegisterDevice(nullptr, "no-such-if", &handle), int(ERROR_DEV_NOT_EXIST));
    EXPECT_EQ(TovTCPRegisterDevice(nullptr, "lo", nullptr), int(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(TovTCPRegisterDevice(nullptr, nullptr, &handle), int(ERROR_INVALID_PARAMETER));
}

}  // namespace
