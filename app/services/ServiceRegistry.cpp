#include "app/services/ServiceRegistry.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/services/EmbeddedServices.h"
#include "app/services/PlatformExpert.h"
#include "config/CriticalSectionLock.h"
#include "kernel/boot/Console.h"

namespace rx_fwk {

ServiceRegistry& ServiceRegistry::instance() {
    static ServiceRegistry* registry = new ServiceRegistry();
    return *registry;
}

ServiceRegistry::ServiceRegistry() {
    InitializeCriticalSection(&lock_);
}

std::list<ServiceRecord> ServiceRegistry::records() {
    CriticalSectionLock guard(lock_);
    return records_;
}

std::size_t ServiceRegistry::count() {
    CriticalSectionLock guard(lock_);
    return records_.size();
}

bool ServiceRegistry::registered(const Service* service) {
    CriticalSectionLock guard(lock_);
    return std::any_of(records_.begin(), records_.end(),
                       [service](const ServiceRecord& r) { return r.service == service; });
}

void ServiceRegistry::registerService(Service* service, const std::string& name,
                                      std::int32_t order) {
    CriticalSectionLock guard(lock_);
    auto same = [service](const ServiceRecord& r) { return r.service == service; };
    if (std::any_of(records_.begin(), records_.end(), same)) {
        return;
    }
    auto at = std::find_if(records_.begin(), records_.end(),
                           [order](const ServiceRecord& r) { return r.order >= order; });
    records_.insert(at, ServiceRecord{name, service, order});
}

void ServiceRegistry::unregisterService(Service* service) {
    CriticalSectionLock guard(lock_);
    auto at = std::find_if(records_.begin(), records_.end(),
                           [service](const ServiceRecord& r) { return r.service == service; });
    if (at != records_.end()) {
        records_.erase(at);
    }
}

int ServiceRegistry::startAll() {
    PlatformExpert::instance().createServices();
    std::vector<ServiceRecord> toStart;
    {
        CriticalSectionLock guard(lock_);
        toStart.assign(records_.begin(), records_.end());
    }
    int up = 0;
    int failures = 0;
    for (const ServiceRecord& record : toStart) {
        if (!registered(record.service)) {
            continue;
        }
        if (record.service->isRunning()) {
            ++up;
            continue;
        }
        std::printf("Starting up %s...", record.name.c_str());
        std::fflush(stdout);
        COORD resultAt{};
        TovGetConsoleCursor(&resultAt);
        std::printf("\n");
        std::fflush(stdout);
        const bool started = record.service->start();
        std::fflush(stdout);
        COORD afterService{};
        TovGetConsoleCursor(&afterService);
        TovSetConsoleCursor(resultAt);
        std::printf(started ? "\tsucceeded.\n" : "\tfailed.\n");
        std::fflush(stdout);
        TovSetConsoleCursor(afterService);
        if (started) {
            ++up;
            continue;
        }
        ++failures;
        EmbeddedServices::instance().setSystemState(
            failures == 1 ? record.name + " Configuration Error" : "Configuration Errors");
    }
    return up;
}

int ServiceRegistry::stopAll() {
    CriticalSectionLock guard(lock_);
    int down = 0;
    for (auto it = records_.rbegin(); it != records_.rend(); ++it) {
        if (!it->service->isRunning() || it->service->stop()) {
            ++down;
        }
    }
    return down;
}

}  // namespace rx_fwk
