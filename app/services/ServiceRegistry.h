// The process-wide list of services, kept by ascending start order.
#pragma once

#include <cstdint>
#include <list>
#include <string>

#include "app/services/Service.h"

namespace rx_fwk {

struct ServiceRecord {
    std::string name;
    Service* service;  // not owned
    std::int32_t order;
};

class ServiceRegistry {
public:
    static ServiceRegistry& instance();

    // Among equal orders the later registration starts first. A service already
    // registered is not added again.
    void registerService(Service* service, const std::string& name, std::int32_t order);
    void unregisterService(Service* service);

    // Starts what is not running, printing one progress line per service; failures change
    // the system state text. Returns the number of services up.
    int startAll();
    // Stops in reverse order; returns the number of services down afterwards.
    int stopAll();

    std::size_t count() const { return records_.size(); }
    const std::list<ServiceRecord>& records() const { return records_; }

private:
    ServiceRegistry() = default;
    std::list<ServiceRecord> records_;
};

}  // namespace rx_fwk
