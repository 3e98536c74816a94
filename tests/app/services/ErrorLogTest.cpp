#include "app/services/ErrorLog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using rx_fwk::ErrorLog;

struct Texts {
    std::string first;
    std::string second;
    bool operator==(const Texts& other) const {
        return first == other.first && second == other.second;
    }
};

std::ostream& operator<<(std::ostream& out, const Texts& t) {
    return out << "{" << t.first << "|" << t.second << "}";
}

class ErrorLogRing : public ::testing::Test {
protected:
    void make(std::int64_t messages, std::int64_t stringLength, std::int64_t buffer,
              std::int32_t filter = 0) {
        ASSERT_EQ(ErrorLog::create({messages, stringLength, buffer, filter}, nullptr, &log_), 0);
    }
    void TearDown() override { ErrorLog::destroy(log_); }

    std::vector<Texts> held() const {
        std::vector<Texts> texts;
        ErrorLog::Message message;
        for (std::size_t i = 0; log_->message(i, message); ++i) {
            texts.push_back({message.firstText, message.secondText});
        }
        return texts;
    }

    ErrorLog* log_ = nullptr;
};

TEST_F(ErrorLogRing, OldestMessagesGoWhenTheRingIsFull) {
    make(3, 108, 4096);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(log_->log(0, i, 0, ("m" + std::to_string(i)).c_str(), "x"), 0);
    }
    EXPECT_EQ(held(), (std::vector<Texts>{{"m2", "x"}, {"m3", "x"}, {"m4", "x"}}));
    ErrorLog::Message last;
    ASSERT_TRUE(log_->message(2, last));
    EXPECT_EQ(last.code, 4);
    // Seconds since 1904: somewhere after 2020.
    EXPECT_GT(last.stampSeconds, 3660000000ll);
}

TEST_F(ErrorLogRing, OldestMessagesGoWhenTheTextStoreIsFull) {
    // Each message takes 6 + 6 bytes; 30 bytes hold two, and the texts wrap round the store.
    make(100, 108, 30);
    const char* names[] = {"aaaaa", "bbbbb", "ccccc", "ddddd", "eeeee"};
    for (const char* name : names) {
        log_->log(0, 0, 0, name, name);
    }
    EXPECT_EQ(held(), (std::vector<Texts>{{"ddddd", "ddddd"}, {"eeeee", "eeeee"}}));
}

TEST_F(ErrorLogRing, TextsAreCutToMaxStringLength) {
    make(10, 4, 4096);
    log_->log(0, 0, 0, "abcdefgh", "xy");
    EXPECT_EQ(held(), (std::vector<Texts>{{"abc", "xy"}}));
}

TEST_F(ErrorLogRing, AMessageLargerThanTheWholeStoreIsCutToFit) {
    make(10, 108, 8);
    log_->log(0, 0, 0, "0123456789", "abc");
    log_->log(0, 0, 0, "012", "ab");
    EXPECT_EQ(held(), (std::vector<Texts>{{"012", "ab"}}));
    log_->log(0, 0, 0, "0123456789", "abc");
    EXPECT_EQ(held(), (std::vector<Texts>{{"0123456", ""}}));
}

TEST_F(ErrorLogRing, LevelsAboveTheFilterAndAZeroCapacityKeepNothing) {
    make(10, 108, 4096, 1);
    log_->log(2, 0, 0, "informational", "");
    log_->log(1, 0, 0, "warning", "");
    log_->log(-5, 0, 0, "below error", "");
    EXPECT_EQ(held(), (std::vector<Texts>{{"warning", ""}, {"below error", ""}}));
    ErrorLog::destroy(log_);
    log_ = nullptr;

    make(0, 108, 4096);
    EXPECT_EQ(log_->log(0, 0, 0, "kept nowhere", ""), 0);
    EXPECT_EQ(log_->count(), 0u);
}

}  // namespace
