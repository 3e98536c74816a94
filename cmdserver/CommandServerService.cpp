#include "cmdserver/CommandServerService.h"

#include "app/services/ServiceRegistry.h"
#include "cmdserver/CommandServer.h"

namespace rx_fwk {

void registerCommandServerService() {
    ServiceRegistry::instance().registerService(&CommandServer::instance(),
                                                kCommandServerServiceName,
                                                kCommandServerStartOrder);
}

}  // namespace rx_fwk
