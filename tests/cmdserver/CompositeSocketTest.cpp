#include "cmdserver/CompositeSocket.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/RecordingConsumer.h"

namespace rx_fwk {
namespace {

std::vector<std::string> gLog;

class Child : public PacketProducer {
public:
    explicit Child(std::string name) : name_(std::move(name)) {}
    ~Child() override { gLog.push_back("destroy " + name_); }
    PacketConsumer* consumer() override { return consumer_; }
    void setConsumer(PacketConsumer* c) override {
        consumer_ = c;
        gLog.push_back("consumer " + name_);
    }
    void requestStop() override { gLog.push_back("stop " + name_); }

private:
    std::string name_;
    PacketConsumer* consumer_ = nullptr;
};

// Every child is told to stop before the first is destroyed, so that their waits overlap.
TEST(CompositeSocket, HandsTheConsumerOnAndStopsAllBeforeDestroyingInTheOrderAdded) {
    gLog.clear();
    lbtest::RecordingConsumer consumer;
    {
        CompositeSocket composite;
        composite.add(std::make_unique<Child>("udp"));
        EXPECT_TRUE(gLog.empty());  // no consumer yet
        composite.add(std::make_unique<Child>("tcp"));
        composite.setConsumer(&consumer);
        EXPECT_EQ(composite.consumer(), &consumer);
        composite.add(std::make_unique<Child>("late"));  // gets it at once
    }
    EXPECT_EQ(gLog, (std::vector<std::string>{"consumer udp", "consumer tcp", "consumer late",
                                              "stop udp", "stop tcp", "stop late", "destroy udp",
                                              "destroy tcp", "destroy late"}));
}

}  // namespace
}  // namespace rx_fwk
