#include "tests/support/TempDisk.h"

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "kernel/boot/Kernel.h"
#include "kernel/fs/Environment.h"

namespace lbtest {
namespace {

std::string makeScratchDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "lifeboat-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    return pattern;
}

std::vector<std::string> gArgv;

void pointKernelAt(const std::string& root) {
    TovKernelOptions options;
    options.disk = root;
    options.pace = 0;
    options.argv = gArgv;
    if (!TovKernelStart(options)) {
        throw std::runtime_error("kernel did not start on " + root);
    }
    SetCurrentDirectoryA("C:\\");
}

std::string gSessionDisk;

}  // namespace

void startKernelOnScratchDisk(int argc, char** argv) {
    gArgv.assign(argv, argv + argc);
    gSessionDisk = makeScratchDirectory();
    pointKernelAt(gSessionDisk);
    std::atexit([] { std::filesystem::remove_all(gSessionDisk); });
}

TempDisk::TempDisk() : root_(makeScratchDirectory()) { pointKernelAt(root_); }

TempDisk::~TempDisk() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
    if (!gSessionDisk.empty()) {
        pointKernelAt(gSessionDisk);
    }
}

std::string TempDisk::hostPath(const std::string& relative) const { return root_ + "/" + relative; }

std::string TempDisk::readHostFile(const std::string& relative) const {
    std::ifstream in(hostPath(relative), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void TempDisk::writeHostFile(const std::string& relative, const std::string& bytes) const {
    std::filesystem::path path(hostPath(relative));
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

}  // namespace lbtest
