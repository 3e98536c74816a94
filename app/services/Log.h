// The process-wide error log: `log` records one message in it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/services/ErrorLog.h"

namespace rx_fwk {

using ErrorLogMessage = ErrorLog::Message;

// Records one message (level, code, sub-code, two texts; null texts read as empty).
// Returns 0, 4 when there is no error log, 5 when the system time cannot be converted.
int log(std::int32_t level, std::int32_t code, std::int32_t subCode, const char* firstText,
        const char* secondText);

// Makes the object the process-wide error log, which owns it from then on; an earlier one
// is closed.
void installErrorLog(ErrorLog* created);

// Reads a message back from the process-wide ring (0 = oldest); false when there is none.
bool readErrorLog(std::size_t index, ErrorLogMessage& out);

// Forgets the error log, closes its file and frees it; `log` answers 4 from then on.
void closeErrorLog();

}  // namespace rx_fwk
