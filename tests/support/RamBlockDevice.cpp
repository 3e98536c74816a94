#include "tests/support/RamBlockDevice.h"

#include <cstring>
#include <map>
#include <stdexcept>

namespace lbtest {
namespace {

std::mutex gDevicesLock;
std::map<DWORD, RamBlockDevice*> gDevices;

}  // namespace

RamBlockDevice::RamBlockDevice(DWORD handle, DWORD sectors)
    : handle_(handle), data_(std::size_t{sectors} * kTovSectorSize, '\0') {
    {
        std::lock_guard<std::mutex> guard(gDevicesLock);
        gDevices[handle] = this;
    }
    index_ = TovRegisterBlockDevice(handle, sectors, &serve);
    if (index_ < 0) {
        throw std::runtime_error("no room for a RAM block device");
    }
}

RamBlockDevice::~RamBlockDevice() {
    TovUnregisterBlockDevice(handle_);
    std::lock_guard<std::mutex> guard(gDevicesLock);
    gDevices.erase(handle_);
}

TovSectorIo RamBlockDevice::driver() {
    return &serve;
}

BOOL RamBlockDevice::serve(DWORD device, DWORD first, void* buffer, WORD count, BOOL read) {
    RamBlockDevice* target = nullptr;
    {
        std::lock_guard<std::mutex> guard(gDevicesLock);
        auto found = gDevices.find(device);
        if (found == gDevices.end()) {
            return FALSE;
        }
        target = found->second;
    }
    return target->serveRequest(first, buffer, count, read != FALSE);
}

BOOL RamBlockDevice::serveRequest(DWORD first, void* buffer, WORD count, bool read) {
    std::lock_guard<std::mutex> guard(lock_);
    const Request request{handle_, first, count, read};
    requests_.push_back(request);
    const std::size_t offset = std::size_t{first} * kTovSectorSize;
    const std::size_t size = std::size_t{count} * kTovSectorSize;
    if ((fail_ && fail_(request)) || offset + size > data_.size()) {
        return FALSE;
    }
    if (read) {
        std::memcpy(buffer, data_.data() + offset, size);
    } else {
        std::memcpy(&data_[offset], buffer, size);
    }
    return TRUE;
}

std::vector<RamBlockDevice::Request> RamBlockDevice::requests() const {
    std::lock_guard<std::mutex> guard(lock_);
    return requests_;
}

std::vector<RamBlockDevice::Request> RamBlockDevice::writes() const {
    std::vector<Request> writes;
    for (const Request& request : requests()) {
        if (!request.read) {
            writes.push_back(request);
        }
    }
    return writes;
}

void RamBlockDevice::clearRequests() {
    std::lock_guard<std::mutex> guard(lock_);
    requests_.clear();
}

void RamBlockDevice::failWhen(std::function<bool(const Request&)> fail) {
    std::lock_guard<std::mutex> guard(lock_);
    fail_ = std::move(fail);
}

std::string RamBlockDevice::sector(DWORD number) const {
    std::lock_guard<std::mutex> guard(lock_);
    return data_.substr(std::size_t{number} * kTovSectorSize, kTovSectorSize);
}

void RamBlockDevice::fill(DWORD number, char value) {
    std::lock_guard<std::mutex> guard(lock_);
    std::memset(&data_[std::size_t{number} * kTovSectorSize], value, kTovSectorSize);
}

}  // namespace lbtest
