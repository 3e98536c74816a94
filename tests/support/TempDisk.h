// A scratch host directory as drive C:, for tests that touch files.
#pragma once

#include <string>

namespace lbtest {

// Starts the kernel with a fresh temporary directory as C: (removed at exit).
void startKernelOnScratchDisk(int argc, char** argv);

// A fresh, empty C: for one test; the previous contents are removed.
class TempDisk {
public:
    TempDisk();
    ~TempDisk();
    TempDisk(const TempDisk&) = delete;
    TempDisk& operator=(const TempDisk&) = delete;

    // Host path of the drive root, and of a file inside it given in host form ("a/b.txt").
    const std::string& root() const { return root_; }
    std::string hostPath(const std::string& relative) const;

    std::string readHostFile(const std::string& relative) const;
    void writeHostFile(const std::string& relative, const std::string& bytes) const;

private:
    std::string root_;
};

}  // namespace lbtest
