// The error-log file "errlog.txt": fixed-width records reused in place as a 64 KiB ring,
// with an end marker after the newest record.
#pragma once

#include <cstdio>
#include <string>

#include "app/services/ErrorLogRecord.h"

namespace rx_fwk {

constexpr long kErrorLogFileLimit = 65536;

// Opens the file positioned at its end marker (the start of the first blank line), or
// empties it when it is longer than the limit or cannot be read. Null when it can be
// neither opened nor created.
std::FILE* openErrorLogFile(const std::string& path);

// Writes the record and a fresh end marker, wrapping to the start of the file when a
// record would reach the limit, and leaves the file positioned at the marker.
void writeErrorLogRecord(std::FILE* file, const ErrorLogRecord& record);

}  // namespace rx_fwk
