#include "diag/OutOfMemoryHandler.h"

#include <cstdio>

#include "app/services/Log.h"
#include "config/CriticalSectionLock.h"
#include "kernel/hw/MemoryStatistics.h"

namespace nZUEmbCfg {
namespace {

constexpr std::int32_t kSubCode = 41;
constexpr std::int32_t kFailureCode = 13;
constexpr std::int32_t kWarning = 1;
constexpr std::int32_t kInformational = 2;
constexpr double kMegabyte = 1048576.0;

// Sizes are 64-bit here: a request of 4 GiB or more is printed as it was.
const char* formatOf(std::uint32_t kind) {
    switch (kind) {
        case TOV_HEAP_CANNOT_GROW:
            return "failed to grow heap by %llu bytes";
        case TOV_HEAP_ALLOCATION_FAILED:
            return "failed to allocate %llu bytes";
        case TOV_HEAP_REALLOCATION_FAILED:
            return "failed to reallocate %llu bytes";
        default:
            return nullptr;
    }
}

}  // namespace

OutOfMemoryHandler::OutOfMemoryHandler() {
    InitializeCriticalSection(&lock_);
}

OutOfMemoryHandler::~OutOfMemoryHandler() {
    DeleteCriticalSection(&lock_);
}

OutOfMemoryHandler& OutOfMemoryHandler::instance() {
    static OutOfMemoryHandler* handler = new OutOfMemoryHandler();
    return *handler;
}

std::uint32_t OutOfMemoryHandler::handle(const TovHeapFailure& failure) {
    const char* format = formatOf(failure.kind);
    if (format == nullptr) {
        return 1;
    }
    rx_fwk::CriticalSectionLock guard(lock_);
    std::snprintf(message_, sizeof message_, format, static_cast<unsigned long long>(failure.size));
    if (failure.size < smallestLogged_) {
        rx_fwk::log(kWarning, kFailureCode, kSubCode, message_, nullptr);
        smallestLogged_ = failure.size;
    }
    return 1;
}

DWORD OutOfMemoryHandler::onHeapFailure(void* context, const void* event) {
    OutOfMemoryHandler& handler =
        context != nullptr ? *static_cast<OutOfMemoryHandler*>(context) : instance();
    return handler.handle(*static_cast<const TovHeapFailure*>(event));
}

const char* OutOfMemoryHandler::lastMessage() {
    return message_;
}

void installOutOfMemoryHandler() {
    TovMemoryStatistics memory{};
    TovGetMemoryStatistics(&memory);
    OutOfMemoryHandler::instance();  // made now, not during the first failure
    TovRegisterEventHandler(TOV_EVENT_HEAP_FAILURE, &OutOfMemoryHandler::onHeapFailure, nullptr,
                            TOV_EVENT_ADD);
    const std::uint64_t used =
        memory.totalBytes > memory.freeBytes ? memory.totalBytes - memory.freeBytes : 0;
    char text[128];
    std::snprintf(
        text, sizeof text, "out-of-memory handler installed; memory used: %.2f Mb, free: %.1f Mb",
        static_cast<double>(used) / kMegabyte, static_cast<double>(memory.freeBytes) / kMegabyte);
    rx_fwk::log(kInformational, 0, kSubCode, text, nullptr);
}

}  // namespace nZUEmbCfg
