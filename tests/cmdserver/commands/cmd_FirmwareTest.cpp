// Firmware over its side connection, with a firmware target of the test's own, in a network
// namespace of the test's own: the header's checks, the transfer in pieces, and a host that
// never connects, stops half way or says nothing, all bounded by the (shortened) waits.
#include "cmdserver/commands/cmd_Firmware.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

#include "cmdserver/FirmwareHeader.h"
#include "cmdserver/net/ip_address.h"
#include "cmdserver/net/sleep.h"
#include "cmdserver/net/stream_server.h"
#include "config/RootPassword.h"
#include "tests/cmdserver/commands/HandlerTest.h"
#include "tests/support/HostSockets.h"
#include "tests/support/PrivateNetwork.h"

namespace rx_fwk {
namespace {

using lbtest::Bytes;

constexpr std::uint32_t kKey = 0x00C0FFEE;
constexpr std::uint16_t kDesktopCode = 0x719C;

// Records every call as text: "abort begin(7) write(1024) finish".
class RecordingTarget final : public FirmwareTarget {
public:
    bool begin(std::uint16_t argument) override {
        note("begin(" + std::to_string(argument) + ")");
        return beginOk;
    }
    bool write(const std::uint8_t* bytes, std::size_t count) override {
        note("write(" + std::to_string(count) + ")");
        written.insert(written.end(), bytes, bytes + count);
        return writeOk;
    }
    bool finish() override {
        note("finish");
        return finishOk;
    }
    void abort() override {
        note("abort");
        busyNow = false;
    }
    bool busy() override { return busyNow; }

    std::string calls;
    Bytes written;
    bool busyNow = false, beginOk = true, writeOk = true, finishOk = true;

private:
    void note(const std::string& call) { calls += (calls.empty() ? "" : " ") + call; }
};

// The host's end of the side connection, on a thread of its own: connects as soon as the
// controller listens, sends its bytes, then closes or holds the connection until the
// controller closes it.
class SideHost {
public:
    enum Ending { Close, Hold };

    SideHost(Bytes bytes, Ending ending) : thread_([this, bytes, ending] { run(bytes, ending); }) {}
    ~SideHost() { thread_.join(); }

private:
    void run(const Bytes& bytes, Ending ending) {
        std::unique_ptr<lbtest::TcpPeer> peer;
        for (int attempt = 0; attempt < 250 && !peer; ++attempt) {
            peer = std::make_unique<lbtest::TcpPeer>("127.0.0.1", kFirmwareTcpPort);
            if (!peer->connected()) {
                peer.reset();
                mthread::sleep(20);
            }
        }
        if (!peer) {
            return;
        }
        if (!bytes.empty()) {
            peer->send(bytes);
        }
        if (ending == Hold) {
            peer->closedByPeer(10000);
        }
    }

    std::thread thread_;
};

Bytes header(std::uint32_t imageLength, std::uint16_t code = kDesktopCode,
             std::uint32_t key = kKey) {
    const auto bytes = encodeFirmwareHeader({code, 7, key, 0xFFFFFFFF, imageLength});
    return Bytes(bytes.begin(), bytes.end());
}

Bytes image(std::size_t length) {
    Bytes bytes(length);
    for (std::size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 13 + 1);
    }
    return bytes;
}

Bytes firstBytes(Bytes bytes, std::size_t count) {
    bytes.resize(count);
    return bytes;
}

Bytes join(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class FirmwareTest : public HandlerTest {
protected:
    void SetUp() override {
        HandlerTest::SetUp();
        LBTEST_REQUIRE_PRIVATE_NETWORK();
        saved_ = firmware().waits();
        firmware().setWaits({3000, 300, 300});
        firmware().addTarget(kKey, &target_);
    }
    void TearDown() override {
        firmware().findTarget(kKey, true);
        firmware().setWaits(saved_);
        HandlerTest::TearDown();
    }

    static cmd_Firmware& firmware() { return cmd_Firmware::instance(); }

    // Sends the request; the reply must be `command` with everything else as requested.
    void expectReply(std::uint8_t command) {
        auto bytes = request(CmdFirmware);
        auto expected = bytes;
        expected[2] = command;
        ASSERT_TRUE(ask(bytes));
        EXPECT_EQ(bytes, expected);
    }

    RecordingTarget target_;
    cmd_Firmware::Waits saved_;
};

TEST_F(FirmwareTest, HeaderChecksAndTransfer) {
    const Bytes full = image(2000);
    struct Row {
        const char* what;
        Bytes sent;
        SideHost::Ending ending;
        bool locked, busy, beginOk, writeOk, finishOk;
        std::uint8_t reply;
        const char* calls;
    } rows[] = {
        {"two pieces", join(header(2000), full), SideHost::Hold, false, false, true, true, true,
         ACK, "begin(7) write(1024) write(976) finish"},
        {"busy target aborted first", join(header(10), image(10)), SideHost::Hold, false, true,
         true, true, true, ACK, "abort begin(7) write(10) finish"},
        {"length 0: finish at once", header(0), SideHost::Hold, false, false, true, true, true, ACK,
         "begin(7) finish"},
        {"finish refuses", join(header(10), image(10)), SideHost::Hold, false, false, true, true,
         false, NAK, "begin(7) write(10) finish"},
        {"begin refuses", join(header(10), image(10)), SideHost::Hold, false, false, false, true,
         true, NAK, "begin(7)"},
        {"write refuses", join(header(2000), full), SideHost::Hold, false, false, true, false, true,
         NAK, "begin(7) write(1024) abort"},
        {"stops half way and closes", join(header(2000), image(1500)), SideHost::Close, false,
         false, true, true, true, NAK, "begin(7) write(1024) abort"},
        {"stops half way and stays", join(header(2000), image(1500)), SideHost::Hold, false, false,
         true, true, true, NAK, "begin(7) write(1024) abort"},
        {"another target code", join(header(10, 0x719D), image(10)), SideHost::Hold, false, false,
         true, true, true, NAK, ""},
        {"unknown key", join(header(10, kDesktopCode, kKey + 1), image(10)), SideHost::Hold, false,
         false, true, true, true, NAK, ""},
        {"header cut short", firstBytes(header(10), 6), SideHost::Hold, false, false, true, true,
         true, NAK, ""},
        {"header cut short and closed", firstBytes(header(10), 13), SideHost::Close, false, false,
         true, true, true, NAK, ""},
        {"connects and says nothing", {}, SideHost::Hold, false, false, true, true, true, NAK, ""},
        {"locked controller", join(header(10), image(10)), SideHost::Hold, true, false, true, true,
         true, NAK, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ConfigManager::instance().clear();
        if (row.locked) {
            ASSERT_TRUE(setRootPasswordHash(1, 2));
        }
        target_ = RecordingTarget();
        target_.busyNow = row.busy;
        target_.beginOk = row.beginOk;
        target_.writeOk = row.writeOk;
        target_.finishOk = row.finishOk;
        {
            SideHost host(row.sent, row.ending);
            expectReply(row.reply);
        }
        EXPECT_EQ(target_.calls, row.calls);
        if (row.reply == ACK) {
            EXPECT_EQ(target_.written, Bytes(row.sent.begin() + 16, row.sent.end()));
        }
    }
}

TEST_F(FirmwareTest, NoHostWithinTheWait) {
    firmware().setWaits({200, 300, 300});
    expectReply(NAK);
    EXPECT_EQ(target_.calls, "");
}

// The side port is taken: the request is refused like any failed transfer.
TEST_F(FirmwareTest, PortTaken) {
    stream_server<ip_address> other;
    ASSERT_TRUE(other.bind(ip_address(kFirmwareTcpPort, ip_address::NotBroadcast)));
    ASSERT_TRUE(other.listen(1));
    expectReply(NAK);
    EXPECT_EQ(target_.calls, "");
}

TEST_F(FirmwareTest, FindingWithTheRemoveFlagTakesTheTargetOut) {
    EXPECT_EQ(firmware().findTarget(kKey, false), &target_);
    EXPECT_EQ(firmware().findTarget(kKey, true), &target_);
    EXPECT_EQ(firmware().findTarget(kKey, false), nullptr);
    EXPECT_EQ(firmware().findTarget(kKey, true), nullptr);
}

}  // namespace
}  // namespace rx_fwk
