#include "app/services/ServiceRegistry.h"

#include <gtest/gtest.h>

#include <list>
#include <string>
#include <vector>

#include "app/services/EmbeddedServices.h"

namespace rx_fwk {
namespace {

std::vector<std::string> gLog;

class FakeService : public Service {
public:
    FakeService(std::string name, bool startOk = true)
        : name_(std::move(name)), startOk_(startOk) {}
    ~FakeService() override { ServiceRegistry::instance().unregisterService(this); }
    bool start() override {
        gLog.push_back("start " + name_);
        running_ = startOk_;
        return startOk_;
    }
    bool stop() override {
        gLog.push_back("stop " + name_);
        running_ = false;
        return true;
    }
    bool isRunning() override { return running_; }

private:
    std::string name_;
    bool startOk_;
    bool running_ = false;
};

// The registry is process-wide: each test removes what it registered, and the program's
// own services (the IP stack service registers itself) stay out of the way meanwhile.
class ServiceRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        gLog.clear();
        saved_ = EmbeddedServices::instance().systemState();
        ServiceRegistry& registry = ServiceRegistry::instance();
        program_ = registry.records();
        for (const ServiceRecord& record : program_) {
            registry.unregisterService(record.service);
        }
        baseline_ = registry.count();
    }
    void TearDown() override {
        EmbeddedServices::instance().setSystemState(saved_);
        // Back in reverse, so that services of equal order keep their places.
        for (auto it = program_.rbegin(); it != program_.rend(); ++it) {
            ServiceRegistry::instance().registerService(it->service, it->name, it->order);
        }
    }
    std::list<ServiceRecord> program_;
    void add(Service& s, const std::string& name, int order) {
        ServiceRegistry::instance().registerService(&s, name, order);
    }
    std::string saved_;
    std::size_t baseline_ = 0;
};

TEST_F(ServiceRegistryTest, StartsByOrderLaterEqualFirstAndStopsInReverse) {
    FakeService a("a"), b("b"), c("c"), d("d");
    add(a, "A", 20);
    add(b, "B", 10);
    add(c, "C", 20);  // same order as A, registered later: starts before A
    add(d, "D", 30);
    add(d, "D again", 5);  // duplicate pointer: ignored
    EXPECT_EQ(ServiceRegistry::instance().count(), baseline_ + 4);

    ServiceRegistry::instance().startAll();
    ServiceRegistry::instance().stopAll();
    EXPECT_EQ(gLog, (std::vector<std::string>{"start b", "start c", "start a", "start d", "stop d",
                                              "stop a", "stop c", "stop b"}));
}

TEST_F(ServiceRegistryTest, FailuresNameTheFirstServiceThenCountAll) {
    FakeService bad1("x", false), bad2("y", false);
    add(bad1, "Network", 100);
    ServiceRegistry::instance().startAll();
    EXPECT_EQ(EmbeddedServices::instance().systemState(), "Network Configuration Error");

    add(bad2, "Other", 101);
    EmbeddedServices::instance().setSystemState("Running");
    ServiceRegistry::instance().startAll();
    EXPECT_EQ(EmbeddedServices::instance().systemState(), "Configuration Errors");
}

TEST_F(ServiceRegistryTest, UnregisterRemovesOnlyThatService) {
    FakeService a("a"), b("b");
    add(a, "A", 50);
    add(b, "B", 51);
    ServiceRegistry::instance().unregisterService(&a);
    EXPECT_EQ(ServiceRegistry::instance().count(), baseline_ + 1);
    ServiceRegistry::instance().unregisterService(&a);  // not there any more: no effect
    EXPECT_EQ(ServiceRegistry::instance().count(), baseline_ + 1);
}

}  // namespace
}  // namespace rx_fwk
