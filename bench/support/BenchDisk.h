// A scratch host directory as drive C: for a benchmark program, removed at the end.
#pragma once

#include <string>

namespace lbbench {

class BenchDisk {
public:
    // Creates the directory and starts the kernel on it; check started().
    BenchDisk(int argc, char** argv);
    ~BenchDisk();
    BenchDisk(const BenchDisk&) = delete;
    BenchDisk& operator=(const BenchDisk&) = delete;

    bool started() const { return started_; }
    const std::string& root() const { return root_; }

private:
    std::string root_;
    bool started_ = false;
};

}  // namespace lbbench
