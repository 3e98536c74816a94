#include "app/services/FileSystem.h"

#include <cstring>

#include "app/services/ServiceRegistry.h"
#include "kernel/base/Handle.h"
#include "kernel/fs/File.h"

namespace rx_fwk {
namespace {

FileSystem* gInstance = nullptr;

bool isDirectory(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The disk is usable when a file can be written and read back in its system directory.
bool diskWritable() {
    if (!isDirectory("C:\\") || !FileSystem::ensureSystemDirectory()) {
        return false;
    }
    const std::string probe = FileSystem::systemDirectory() + "diskprobe.tmp";
    static const char kPattern[] = "lifeboat disk check";
    HANDLE file = CreateFileA(probe.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD done = 0;
    char back[sizeof kPattern] = {};
    const bool ok = WriteFile(file, kPattern, sizeof kPattern, &done, nullptr) &&
                    done == sizeof kPattern && SetFilePointer(file, 0, nullptr, FILE_BEGIN) == 0 &&
                    ReadFile(file, back, sizeof back, &done, nullptr) && done == sizeof back &&
                    std::memcmp(back, kPattern, sizeof back) == 0;
    CloseHandle(file);
    DeleteFileA(probe.c_str());
    return ok;
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
    running_ = diskWritable();
    return running_;
}

bool FileSystem::stop() {
    running_ = false;
    return true;
}

}  // namespace rx_fwk
