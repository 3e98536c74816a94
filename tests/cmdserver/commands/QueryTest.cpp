// QueryCaps, QueryAttrs and SpQuery.
#include <gtest/gtest.h>

#include <atomic>

#include "app/services/EmbeddedServices.h"
#include "cmdserver/net/BasicThread.h"
#include "net/ipConfig.h"
#include "net/tIPConfig_real.h"
#include "net/tIPStack.h"
#include "tests/cmdserver/commands/HandlerTest.h"

namespace rx_fwk {
namespace {

using QueryTest = HandlerTest;

// This image never halts on a network error; a platform that does would report it.
class HaltingConfig final : public nIPStack::tIPConfig_real {
public:
    HaltingConfig() : tIPConfig_real({}) {}
    bool getHaltOnError() override { return true; }
};

TEST_F(QueryTest, CapsListTheExtensionIdentifiersInNetworkOrder) {
    nIPStack::tIPStack::instance();  // its initialisation makes AdvancedEnet
    auto bytes = request(CmdQueryCaps);
    const auto sent = bytes;
    auto reply = ask(bytes);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->command, QueryCapsReply);
    EXPECT_EQ(reply->flags, 0x006F);
    // 0xF0 Chmod, 0xF1 MainExe, 0xF2 SpQuery, 0xF3 SpConfig, 0xF4 QueryAttrs, 0xF5
    // AdvancedEnet; nothing else holds a code.
    const std::uint32_t expected[15] = {1, 2, 3, 4, 7, 6};
    for (unsigned i = 0; i < 15; ++i) {
        SCOPED_TRACE(i);
        const std::vector<std::uint8_t> word(bytes.begin() + 92 + 4 * i,
                                             bytes.begin() + 96 + 4 * i);
        const std::vector<std::uint8_t> listed = {0, 0, 0, static_cast<std::uint8_t>(expected[i])};
        EXPECT_EQ(word, listed);
    }
    EXPECT_TRUE(std::equal(bytes.begin() + 152, bytes.begin() + 156, sent.begin() + 152));
    EXPECT_TRUE(std::equal(bytes.begin() + 5, bytes.begin() + 6, sent.begin() + 5));
    EXPECT_TRUE(std::equal(bytes.begin() + 14, bytes.begin() + 20, sent.begin() + 14));
}

TEST_F(QueryTest, AttributesAnswerOnlyWholeNamesInAnyCase) {
    struct Row {
        std::string name;   // spans text1 and text2
        const char* value;  // null: NAK
    } rows[] = {
        {"os", "Quillon"},    {"OS", "Quillon"},    {"class", "Desktop"},
        {"CLASS", "Desktop"}, {"Class", "Desktop"}, {"classes", nullptr},
        {"osx", nullptr},     {"", nullptr},        {"version", nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto bytes = request(0xF4);
        std::fill(bytes.begin() + 28, bytes.begin() + 92, 0);
        std::copy(row.name.begin(), row.name.end(), bytes.begin() + 28);
        const auto sent = bytes;
        auto reply = ask(bytes);
        ASSERT_TRUE(reply);
        if (row.value == nullptr) {
            auto expected = sent;
            expected[2] = NAK;
            std::fill(expected.begin() + 174, expected.begin() + 178, 0);
            EXPECT_EQ(bytes, expected);
            continue;
        }
        EXPECT_EQ(reply->command, ACK);
        std::string value(row.value);
        value.resize(64, '\0');
        EXPECT_EQ(std::string(bytes.begin() + 92, bytes.begin() + 156), value);
    }
}

TEST_F(QueryTest, SpQueryAnswersStateTextAndProtectionFlags) {
    EmbeddedServices& services = EmbeddedServices::instance();
    const std::string saved = services.systemState();
    struct Row {
        const char* protect;  // Protect_Reboot; null: no key
        bool halt;
        std::string state;
        std::uint16_t flags;
    } rows[] = {
        {nullptr, false, "Running", 0},
        {"TRUE", false, "Running", 0x0002},
        {"true", true, "IP Stack Configuration Error", 0x0003},
        {"1", false, "Running", 0},
        {nullptr, false, std::string(200, 's'), 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.flags);
        ConfigManager::instance().clear();
        if (row.protect != nullptr) {
            setting("SystemSettings", "Protect_Reboot", row.protect);
        }
        HaltingConfig halting;
        nIPStack::installIPConfig(row.halt ? &halting : nullptr);
        services.setSystemState(row.state);
        auto bytes = request(CmdSpQuery);
        const auto sent = bytes;
        auto reply = ask(bytes);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->command, ACK);
        EXPECT_EQ(reply->flags, row.flags);
        std::string area = row.state.substr(0, 95);
        area.resize(96, '\0');
        EXPECT_EQ(std::string(bytes.begin() + 28, bytes.begin() + 124), area);
        EXPECT_TRUE(std::equal(bytes.begin() + 124, bytes.begin() + 156, sent.begin() + 124));
        nIPStack::installIPConfig(nullptr);
    }
    services.setSystemState(saved);
}

// The main thread sets the state text while SpQuery reads it: every answer is one whole text,
// never a mixture or freed memory (the long text lives on the heap, the short one inside the
// string).
TEST_F(QueryTest, SpQueryReadsTheStateTextWhileItIsSet) {
    EmbeddedServices& services = EmbeddedServices::instance();
    const std::string saved = services.systemState();
    const std::string shortText = "Running";
    const std::string longText(90, 'L');

    class Setter : public mthread::Runnable {
    public:
        Setter(const std::string& a, const std::string& b) : a_(a), b_(b) {}
        int run() override {
            for (int i = 0; !stop; ++i) {
                EmbeddedServices::instance().setSystemState(i % 2 == 0 ? a_ : b_);
            }
            return 0;
        }
        std::atomic<bool> stop{false};

    private:
        const std::string& a_;
        const std::string& b_;
    };
    Setter setter(shortText, longText);
    mthread::BasicThread thread(&setter, "state setter");
    ASSERT_TRUE(thread.start(65536));

    int mixed = 0;
    for (int i = 0; i < 3000; ++i) {
        auto bytes = request(CmdSpQuery);
        ASSERT_TRUE(ask(bytes));
        const std::string area(reinterpret_cast<const char*>(bytes.data()) + 28);
        if (area != shortText && area != longText) {
            ++mixed;
        }
    }
    setter.stop = true;
    ASSERT_TRUE(thread.join(0));
    EXPECT_EQ(mixed, 0);
    services.setSystemState(saved);
}

}  // namespace
}  // namespace rx_fwk
