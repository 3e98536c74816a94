// The process-wide list of services, kept by ascending start order. The list is guarded: the
// power-off thread stops the services while the main thread may still register or start
// them.
#pragma once

#include <cstdint>
#include <list>
#include <string>

#include "app/services/Service.h"
#include "kernel/threads/Sync.h"

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
    // the system state text. Returns the number of services up. The services are those
    // registered when it begins (after the platform has created its own); a service
    // unregistered meanwhile is skipped. No lock is held while a service starts.
    int startAll();
    // Stops in reverse order; returns the number of services down afterwards. Holds the
    // list for the whole pass, so no service leaves it while being stopped.
    int stopAll();

    std::size_t count();
    // A copy of the list as it stands.
    std::list<ServiceRecord> records();

private:
    ServiceRegistry();
    bool registered(const Service* service);

    CRITICAL_SECTION lock_;
    std::list<ServiceRecord> records_;
};

}  // namespace rx_fwk
