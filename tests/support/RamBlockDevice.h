// A block device in memory for tests: registered in the kernel's table while it lives,
// records every request, and fails the requests a test chooses.
#pragma once

#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "kernel/storage/BlockDevice.h"

namespace lbtest {

class RamBlockDevice {
public:
    struct Request {
        DWORD device;
        DWORD first;
        WORD count;
        bool read;
        bool operator==(const Request& other) const {
            return device == other.device && first == other.first && count == other.count &&
                   read == other.read;
        }
        friend std::ostream& operator<<(std::ostream& out, const Request& request) {
            return out << (request.read ? "read " : "write ") << std::hex << request.device
                       << std::dec << ":" << request.first << "+" << request.count;
        }
    };

    RamBlockDevice(DWORD handle, DWORD sectors);
    ~RamBlockDevice();
    RamBlockDevice(const RamBlockDevice&) = delete;
    RamBlockDevice& operator=(const RamBlockDevice&) = delete;

    DWORD handle() const { return handle_; }
    int index() const { return index_; }
    // The driver every RAM device is registered with.
    static TovSectorIo driver();

    std::vector<Request> requests() const;
    std::vector<Request> writes() const;
    void clearRequests();
    // Requests for which this answers true fail (and change nothing).
    void failWhen(std::function<bool(const Request&)> fail);

    // 512 bytes of one sector, and filling one (bypassing every driver).
    std::string sector(DWORD number) const;
    void fill(DWORD number, char value);

private:
    static BOOL serve(DWORD device, DWORD first, void* buffer, WORD count, BOOL read);
    BOOL serveRequest(DWORD first, void* buffer, WORD count, bool read);

    DWORD handle_;
    int index_ = -1;
    mutable std::mutex lock_;
    std::string data_;
    std::vector<Request> requests_;
    std::function<bool(const Request&)> fail_;
};

}  // namespace lbtest
