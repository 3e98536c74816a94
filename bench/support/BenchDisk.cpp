#include "bench/support/BenchDisk.h"

#include <stdlib.h>

#include <filesystem>

#include "kernel/boot/Kernel.h"

namespace lbbench {

BenchDisk::BenchDisk(int argc, char** argv)
    : root_((std::filesystem::temp_directory_path() / "lifeboat-bench-XXXXXX").string()) {
    if (::mkdtemp(root_.data()) == nullptr) {
        root_.clear();
        return;
    }
    TovKernelOptions options;
    options.disk = root_;
    options.pace = 0;
    options.argv.assign(argv, argv + argc);
    started_ = TovKernelStart(options);
}

BenchDisk::~BenchDisk() {
    if (!root_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
}

}  // namespace lbbench
