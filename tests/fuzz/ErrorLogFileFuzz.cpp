// Any bytes as the error log "errlog.txt" found at start-up: opening it finds a place for the
// next record, the records written go into the file, and the file never outgrows its ring.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "FuzzDisk.h"
#include "app/services/ErrorLogFile.h"
#include "app/services/ErrorLogRecord.h"

namespace {

const char kLogFile[] = "zu-rt/system/errlog.txt";

rx_fwk::ErrorLogRecord recordSaying(const char* text) {
    SYSTEMTIME utc{};
    utc.wYear = 2026;
    utc.wMonth = 12;
    utc.wDay = 11;
    rx_fwk::ErrorLogRecord record;
    rx_fwk::formatErrorLogRecord(record, utc, 1, 42, 7, text, "fuzz");
    return record;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzdisk::start();
    return 0;
}

// The first two bytes ask for a longer file (up to 128 KiB) of the rest repeated, so that
// small inputs reach the ring's wrap and the limit.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const std::size_t wanted = 2 * (std::size_t{data[0]} | std::size_t{data[1]} << 8);
    std::string contents(reinterpret_cast<const char*>(data) + 2, size - 2);
    while (!contents.empty() && contents.size() < wanted) {
        contents.append(contents, 0, std::min(contents.size(), wanted - contents.size()));
    }
    fuzzdisk::put(kLogFile, reinterpret_cast<const std::uint8_t*>(contents.data()),
                  contents.size());
    std::FILE* file = rx_fwk::openErrorLogFile("C:\\zu-rt\\system\\errlog.txt");
    if (file == nullptr) {
        __builtin_trap();
    }
    const char* texts[] = {"first-of-this-boot", "second-of-this-boot"};
    for (const char* text : texts) {
        rx_fwk::writeErrorLogRecord(file, recordSaying(text));
    }
    std::fclose(file);

    std::ifstream in(fuzzdisk::root() + "/" + kLogFile, std::ios::binary);
    const std::string after{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (after.size() > static_cast<std::size_t>(rx_fwk::kErrorLogFileLimit)) {
        __builtin_trap();
    }
    for (const char* text : texts) {
        if (after.find(text) == std::string::npos) {
            __builtin_trap();
        }
    }
    return 0;
}
