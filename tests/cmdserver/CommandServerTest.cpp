#include "cmdserver/CommandServer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

#include "cmdserver/net/BasicThread.h"
#include "tests/support/FakeIPStack.h"

namespace rx_fwk {
namespace {

const std::uint8_t kOurMac[6] = {0x00, 0x80, 0x2F, 0x12, 0x34, 0x56};
const std::uint8_t kOtherMac[6] = {0x00, 0x80, 0x2F, 0x99, 0x99, 0x99};

// Answers ACK and records what it saw (in host order).
class Recorder : public CfgCommand {
public:
    explicit Recorder(bool reply = true) : reply_(reply) {}
    bool handle(CommandPacket& packet, std::uint32_t length) override {
        seen.push_back(packet);
        lengths.push_back(length);
        packet.command = ACK;
        packet.status = 6;
        return reply_;
    }
    std::vector<CommandPacket> seen;
    std::vector<std::uint32_t> lengths;

private:
    bool reply_;
};

std::vector<std::uint8_t> request(std::uint8_t command, const std::uint8_t* mac) {
    std::vector<std::uint8_t> bytes(kCommandPacketSize, 0);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);  // every byte recognisable
    }
    bytes[0] = 0x45;
    bytes[1] = 0x44;
    bytes[2] = command;
    bytes[5] = 2;
    std::memcpy(&bytes[14], mac, 6);
    return bytes;
}

class CommandServerTest : public ::testing::Test {
protected:
    bool send(std::vector<std::uint8_t>& bytes) {
        std::uint32_t length = static_cast<std::uint32_t>(bytes.size());
        return server_.consume(bytes.data(), length, "10.0.0.9");
    }

    lbtest::FakeIPStack stack_{kOurMac};
    CommandServer server_;
};

TEST_F(CommandServerTest, DropsWhatIsNotForUs) {
    Recorder handler;
    ASSERT_TRUE(server_.registerCommand(0x11, 2, &handler));
    ASSERT_TRUE(server_.registerCommand(CmdPing, 2, &handler));

    struct Row {
        const char* what;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Row> rows;
    auto good = request(0x11, kOurMac);
    rows.push_back({"183 bytes", {good.begin(), good.end() - 1}});
    auto longer = good;
    longer.push_back(0);
    rows.push_back({"185 bytes", longer});
    auto magic = good;
    magic[1] = 0x45;
    rows.push_back({"bad magic", magic});
    for (std::uint8_t version : {1, 3}) {
        auto v = good;
        v[5] = version;
        rows.push_back({"other version", v});
    }
    rows.push_back({"another controller", request(0x11, kOtherMac)});
    rows.push_back({"zero MAC on a non-ping", request(0x11, std::vector<std::uint8_t>(6).data())});
    rows.push_back({"ping for another controller", request(CmdPing, kOtherMac)});
    rows.push_back({"empty", {}});

    for (Row& row : rows) {
        SCOPED_TRACE(row.what);
        const auto before = row.bytes;
        EXPECT_FALSE(send(row.bytes));
        EXPECT_EQ(row.bytes, before);
    }
    EXPECT_TRUE(handler.seen.empty());
}

TEST_F(CommandServerTest, DiscoveryPingWithZeroMacReachesTheHandler) {
    Recorder handler;
    ASSERT_TRUE(server_.registerCommand(CmdPing, 2, &handler));
    const std::uint8_t zero[6] = {};
    auto bytes = request(CmdPing, zero);
    EXPECT_TRUE(send(bytes));
    ASSERT_EQ(handler.seen.size(), 1u);
    EXPECT_EQ(server_.currentPeer(), "10.0.0.9");
}

TEST_F(CommandServerTest, UnknownCodeAndTooNewVersionAreNakedWithTheRestEchoed) {
    Recorder oldHandler;
    ASSERT_TRUE(server_.registerCommand(0x12, 1, &oldHandler));
    for (std::uint8_t code : {std::uint8_t{0x02}, std::uint8_t{0x12}, std::uint8_t{0xFF}}) {
        SCOPED_TRACE(int{code});
        auto bytes = request(code, kOurMac);
        auto expected = bytes;
        expected[2] = NAK;
        expected[174] = expected[175] = expected[176] = expected[177] = 0;
        EXPECT_TRUE(send(bytes));
        EXPECT_EQ(bytes, expected);
    }
    EXPECT_TRUE(oldHandler.seen.empty());
}

TEST_F(CommandServerTest, HandlersSeeHostOrderAndRepliesLeaveInNetworkOrder) {
    Recorder handler;
    ASSERT_TRUE(server_.registerCommand(0x13, 2, &handler));
    auto bytes = request(0x13, kOurMac);
    // ipAddress 192.168.0.1 travels in dotted order.
    const std::uint8_t ip[4] = {0xC0, 0xA8, 0x00, 0x01};
    std::memcpy(&bytes[158], ip, 4);
    const std::uint8_t flags[2] = {0x12, 0x34};
    std::memcpy(&bytes[3], flags, 2);

    EXPECT_TRUE(send(bytes));
    ASSERT_EQ(handler.seen.size(), 1u);
    EXPECT_EQ(handler.seen[0].ipAddress, 0xC0A80001u);
    EXPECT_EQ(handler.seen[0].flags, 0x1234u);
    EXPECT_EQ(handler.lengths[0], 184u);
    // Status 6 set by the handler travels as 00 00 00 06; the address goes back unchanged.
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 174, bytes.begin() + 178),
              (std::vector<std::uint8_t>{0, 0, 0, 6}));
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 158, bytes.begin() + 162),
              std::vector<std::uint8_t>(ip, ip + 4));
    EXPECT_EQ(bytes[2], ACK);
}

TEST_F(CommandServerTest, AHandlerThatDeclinesSendsNothing) {
    Recorder silent(false);
    ASSERT_TRUE(server_.registerCommand(0x14, 2, &silent));
    auto bytes = request(0x14, kOurMac);
    EXPECT_FALSE(send(bytes));
    EXPECT_EQ(silent.seen.size(), 1u);
}

// A handler that throws leaves the server lock free: the next request, from another thread
// (the lock is recursive for its holder), is served.
TEST_F(CommandServerTest, AHandlerThatThrowsLeavesTheLockFree) {
    class ThrowsOnce : public Recorder {
    public:
        bool handle(CommandPacket& packet, std::uint32_t length) override {
            if (!thrown_) {
                thrown_ = true;
                throw std::runtime_error("handler fault");
            }
            return Recorder::handle(packet, length);
        }

    private:
        bool thrown_ = false;
    };
    class Request : public mthread::Runnable {
    public:
        explicit Request(CommandServer& server) : server_(server) {}
        int run() override {
            std::uint32_t length = static_cast<std::uint32_t>(bytes_.size());
            return server_.consume(bytes_.data(), length, "10.0.0.8") ? 1 : 0;
        }

    private:
        CommandServer& server_;
        std::vector<std::uint8_t> bytes_ = request(0x17, kOurMac);
    };

    // Should the lock stay held, the waiting thread and what it uses are left behind rather
    // than destroyed under it.
    auto server = std::make_unique<CommandServer>();
    auto handler = std::make_unique<ThrowsOnce>();
    ASSERT_TRUE(server->registerCommand(0x17, 2, handler.get()));
    auto bytes = request(0x17, kOurMac);
    std::uint32_t length = static_cast<std::uint32_t>(bytes.size());
    EXPECT_THROW(server->consume(bytes.data(), length, "10.0.0.9"), std::runtime_error);

    auto second = std::make_unique<Request>(*server);
    auto thread = std::make_unique<mthread::BasicThread>(second.get(), "second request");
    ASSERT_TRUE(thread->start(65536));
    if (!thread->join(10000)) {
        ADD_FAILURE() << "the second request still waits for the server lock";
        (void)thread.release();
        (void)second.release();
        (void)server.release();
        (void)handler.release();
        return;
    }
    EXPECT_EQ(thread->exitCode(), 1);
    EXPECT_EQ(handler->seen.size(), 1u);
    EXPECT_EQ(server->currentPeer(), "10.0.0.8");
}

TEST_F(CommandServerTest, RegistrationKeepsTheFirstAndUnregisterRemovesEveryCode) {
    Recorder first, second;
    EXPECT_TRUE(server_.registerCommand(0x15, 2, &first));
    EXPECT_FALSE(server_.registerCommand(0x15, 2, &second));
    EXPECT_TRUE(server_.registerCommand(0x16, 2, &first));
    server_.unregisterCommand(&first);
    for (std::uint8_t code : {std::uint8_t{0x15}, std::uint8_t{0x16}}) {
        auto bytes = request(code, kOurMac);
        EXPECT_TRUE(send(bytes));
        EXPECT_EQ(bytes[2], NAK);
    }
    EXPECT_TRUE(first.seen.empty());
}

TEST_F(CommandServerTest, ExtensionCodes) {
    Recorder handler;
    for (std::uint8_t code : {0xF0, 0xF1, 0xF2, 0xF3}) {
        ASSERT_TRUE(server_.registerCommand(code, 2, &handler));
    }
    std::uint8_t attrs = 0, enet = 0, again = 0;
    ASSERT_TRUE(server_.allocateExtensionCode(7, attrs));
    ASSERT_TRUE(server_.allocateExtensionCode(6, enet));
    EXPECT_EQ(attrs, 0xF4);
    EXPECT_EQ(enet, 0xF5);
    // Allocation is once per identifier, even after the handler went away.
    server_.unregisterCommand(&handler);
    ASSERT_TRUE(server_.allocateExtensionCode(7, again));
    EXPECT_EQ(again, 0xF4);

    const std::uint32_t expected[15] = {1, 2, 3, 4, 7, 6, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (unsigned code = 0xF0; code <= 0xFE; ++code) {
        EXPECT_EQ(server_.capabilityForCode(static_cast<std::uint8_t>(code)), expected[code - 0xF0])
            << std::hex << code;
    }
    EXPECT_EQ(server_.capabilityForCode(0x20), 0u);

    // 0xF6..0xFD remain: eight more identifiers, then none.
    for (std::uint32_t id = 100; id < 108; ++id) {
        std::uint8_t code = 0;
        EXPECT_TRUE(server_.allocateExtensionCode(id, code));
        EXPECT_EQ(code, 0xF6 + (id - 100));
    }
    std::uint8_t none = 0x42;
    EXPECT_FALSE(server_.allocateExtensionCode(200, none));
    EXPECT_EQ(none, 0x42);
}

}  // namespace
}  // namespace rx_fwk
