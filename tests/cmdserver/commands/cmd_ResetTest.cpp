// Reset: the order of its checks, one reset per run, the install reboot's host, and a reset
// that the server's stop (a power-off) ends during its wait. The restart is recorded, not
// carried out.
#include "cmdserver/commands/cmd_Reset.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <optional>

#include "app/services/EmbeddedServices.h"
#include "config/RootPassword.h"
#include "kernel/threads/Thread.h"
#include "tests/cmdserver/commands/EditRequest.h"
#include "tests/cmdserver/commands/HandlerTest.h"

namespace rx_fwk {
namespace {

const PasswordHash kRight = hashPassword("secret");
const PasswordHash kWrong = hashPassword("guess");

struct Restart {
    std::string kind;  // "reboot" or "install"
    std::string host;
    std::string thread;
};

class RecordedRestart final : public ResetAction {
public:
    void reboot() override { record("reboot", ""); }
    void rebootForInstall(const std::string& host) override { record("install", host); }

    // The next restart, waiting at most the given time for it.
    std::optional<Restart> next(int milliseconds) {
        std::unique_lock<std::mutex> hold(lock_);
        if (!arrived_.wait_for(hold, std::chrono::milliseconds(milliseconds),
                               [this] { return taken_ < restarts_.size(); })) {
            return std::nullopt;
        }
        return restarts_[taken_++];
    }
    std::size_t count() {
        std::lock_guard<std::mutex> hold(lock_);
        return restarts_.size();
    }

private:
    void record(const char* kind, const std::string& host) {
        char name[64] = {};
        TovGetThreadName(GetCurrentThread(), name, sizeof name);
        std::lock_guard<std::mutex> hold(lock_);
        restarts_.push_back({kind, host, name});
        arrived_.notify_all();
    }

    std::mutex lock_;
    std::condition_variable arrived_;
    std::vector<Restart> restarts_;
    std::size_t taken_ = 0;
};

constexpr unsigned kShortWaitMs = 20;
constexpr int kRestartDeadlineMs = 5000;

class ResetTest : public HandlerTest {
protected:
    void SetUp() override {
        HandlerTest::SetUp();
        savedFinal_ = EmbeddedServices::instance().stateFinal();
        cmd_Reset::instance().setUpForTest(&restart_, kShortWaitMs);
    }
    void TearDown() override {
        cmd_Reset::instance().setUpForTest(nullptr, cmd_Reset::kResetWaitMs);
        EmbeddedServices::instance().setStateFinal(savedFinal_);
        HandlerTest::TearDown();
    }

    std::vector<std::uint8_t> reset(PasswordHash first, PasswordHash second, std::uint32_t status) {
        auto bytes = request(CmdReset);
        putPasswordWords(bytes, first, second);
        editRequest(bytes, [status](CommandPacket& p) { p.status = status; });
        return bytes;
    }

    RecordedRestart restart_;
    bool savedFinal_ = false;
};

TEST_F(ResetTest, ChecksProtectionThenInstallThenRestarts) {
    struct Row {
        const char* what;
        const char* protect;  // Protect_Reboot; null: no key
        bool locked;
        PasswordHash first, second;
        std::uint32_t status;  // 2 asks for an install reboot
        bool stateFinal;
        std::uint8_t command;
        std::uint32_t replyStatus;
        const char* restart;  // null: none
    } rows[] = {
        {"no protection key: no password even when locked", nullptr, true, kWrong, kRight, 0, false,
         ACK, 0, "reboot"},
        {"only TRUE protects", "1", true, kWrong, kWrong, 0, false, ACK, 0, "reboot"},
        {"lower-case true, wrong words", "true", true, kWrong, kWrong, 0, false, NAK,
         StatusAccessDenied, nullptr},
        {"copies differ, before the password", "true", true, kWrong, kRight, 0, false, NAK,
         StatusMismatch, nullptr},
        {"right words", "TRUE", true, kRight, kRight, 0, false, ACK, 0, "reboot"},
        {"unlocked: any equal pair", "True", false, kWrong, kWrong, 0, false, ACK, 0, "reboot"},
        {"unlocked: copies still compared", "True", false, kWrong, kRight, 0, false, NAK,
         StatusMismatch, nullptr},
        {"install reboot", nullptr, false, kWrong, kWrong, 2, false, ACK, 2, "install"},
        {"install after the final state", nullptr, false, kWrong, kWrong, 2, true, NAK,
         StatusInstallRefused, nullptr},
        {"password before the install refusal", "TRUE", true, kWrong, kWrong, 2, true, NAK,
         StatusAccessDenied, nullptr},
        {"a final state does not stop a plain reboot", nullptr, false, kWrong, kWrong, 0, true, ACK,
         0, "reboot"},
    };
    int accepted = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        cmd_Reset::instance().setUpForTest(&restart_, kShortWaitMs);
        ConfigManager::instance().clear();
        if (row.protect != nullptr) {
            setting("SystemSettings", "Protect_Reboot", row.protect);
        }
        if (row.locked) {
            ASSERT_TRUE(setRootPasswordHash(kRight.first, kRight.second));
        }
        EmbeddedServices::instance().setStateFinal(row.stateFinal);

        auto bytes = reset(row.first, row.second, row.status);
        auto expected = bytes;
        expected[2] = row.command;
        editRequest(expected, [&](CommandPacket& p) { p.status = row.replyStatus; });
        ASSERT_TRUE(ask(bytes));
        EXPECT_EQ(bytes, expected);
        if (row.restart != nullptr) {
            ++accepted;
            auto restart = restart_.next(kRestartDeadlineMs);
            ASSERT_TRUE(restart);
            EXPECT_EQ(restart->kind, row.restart);
            // The requester of an install reboot is the host told of the new address.
            EXPECT_EQ(restart->host, row.status == 2 ? "10.0.0.9" : "");
            EXPECT_EQ(restart->thread, "Command Server Reset Thread");
        }
    }
    cmd_Reset::instance().setUpForTest(&restart_, kShortWaitMs);      // joins any stray thread
    EXPECT_EQ(restart_.count(), static_cast<std::size_t>(accepted));  // no restart after a NAK
}

TEST_F(ResetTest, OneResetPerRun) {
    auto first = reset(kWrong, kWrong, 0);
    ASSERT_EQ(ask(first)->command, ACK);
    ASSERT_TRUE(restart_.next(kRestartDeadlineMs));
    // The thread has ended, and still the controller takes no second reset.
    auto second = reset(kWrong, kWrong, 0);
    auto reply = ask(second);
    EXPECT_EQ(reply->command, NAK);
    EXPECT_EQ(reply->status, StatusBusy);
    EXPECT_FALSE(restart_.next(100));
}

// A power-off stops the server during the wait: the reset ends without a restart, at once
// (the wait here outlasts the test's time limit).
TEST_F(ResetTest, StoppingTheServerEndsAWaitingReset) {
    cmd_Reset::instance().setUpForTest(&restart_, 10 * 60 * 1000);
    auto bytes = reset(kWrong, kWrong, 0);
    ASSERT_EQ(ask(bytes)->command, ACK);
    auto again = reset(kWrong, kWrong, 0);
    EXPECT_EQ(ask(again)->status, StatusBusy);
    ASSERT_TRUE(cmd_Reset::instance().threadRunning());
    EXPECT_TRUE(CommandServer::instance().stop());
    EXPECT_FALSE(cmd_Reset::instance().threadRunning());
    EXPECT_EQ(restart_.count(), 0u);
}

}  // namespace
}  // namespace rx_fwk
