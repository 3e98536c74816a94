// The process-wide error log: `log` records one message in it.
#pragma once

#include <cstdint>

namespace rx_fwk {

class ErrorLog;

// Records one message (level, code, sub-code, two texts; null texts read as empty).
// Returns 0, 4 when there is no error log, 5 when the system time cannot be converted.
int log(std::int32_t level, std::int32_t code, std::int32_t subCode, const char* firstText,
        const char* secondText);

// Makes the object the process-wide error log, which owns it from then on; an earlier one
// is closed.
void installErrorLog(ErrorLog* created);

// Forgets the error log, closes its file and frees it; `log` answers 4 from then on.
void closeErrorLog();

}  // namespace rx_fwk
