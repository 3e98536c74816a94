#include "app/services/FileSystem.h"

#include "app/services/ServiceRegistry.h"
#include "diag/DriveAndFileTest.h"
#include "kernel/fs/File.h"
#include "kernel/fs/FileSystemMode.h"

namespace rx_fwk {
namespace {

FileSystem* gInstance = nullptr;

bool isDirectory(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

FileSystem& FileSystem::instance() {
    if (gInstance == nullptr) {
        gInstance = new FileSystem();
    }
    return *gInstance;
}

FileSystem::FileSystem() {
    ServiceRegistry::instance().registerService(this, "File System", 1);
}

FileSystem::~FileSystem() {
    stop();
    ServiceRegistry::instance().unregisterService(this);
    if (gInstance == this) {
        gInstance = nullptr;
    }
}

bool FileSystem::ensureSystemDirectory() {
    if (isDirectory("C:\\zu-rt\\system")) {
        return true;
    }
    CreateDirectoryA("C:\\zu-rt", nullptr);
    CreateDirectoryA("C:\\zu-rt\\system", nullptr);
    return isDirectory("C:\\zu-rt\\system");
}

bool FileSystem::start() {
    TovSetFileSystemMode(TOV_FILESYSTEM_LOCAL);
    running_ = nZUEmbCfg::runDriveAndFileTest();
    return running_;
}

bool FileSystem::stop() {
    running_ = false;
    return true;
}

}  // namespace rx_fwk
