// The file-system service: checks the local disk and names the system directories.
#pragma once

#include <string>

#include "app/services/Service.h"

namespace rx_fwk {

class FileSystem final : public Service {
public:
    // Created on first use; registers itself as "File System" with start order 1.
    static FileSystem& instance();

    static std::string systemDirectory() { return "C:\\zu-rt\\system\\"; }
    static std::string rootDirectory() { return "C:\\"; }
    // Creates the system directory (and its parent) when missing.
    static bool ensureSystemDirectory();

    ~FileSystem() override;
    bool start() override;
    bool stop() override;
    bool isRunning() override { return running_; }

private:
    FileSystem();
    bool running_ = false;
};

}  // namespace rx_fwk
