// Any bytes as the error log "errlog.txt" found at start-up: opening it finds a place for the
// next record, the records written go into the file, and the file never outgrows its ring.
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

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzdisk::put(kLogFile, data, size);
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
