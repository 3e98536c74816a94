#include "app/services/PlatformExpert.h"

#include "app/services/FileSystem.h"
#include "cmdserver/CommandServer.h"

namespace rx_fwk {

PlatformExpert& PlatformExpert::instance() {
    static PlatformExpert* expert = new PlatformExpert();
    return *expert;
}

void PlatformExpert::createServices() {
    CommandServer::instance();
    FileSystem::instance();
}

}  // namespace rx_fwk
