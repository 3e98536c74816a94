// One record of the error-log file: 254 characters of fixed-width fields (a line end
// follows in the file).
#pragma once

#include <cstddef>
#include <cstdint>

#include "kernel/base/Win32Types.h"

namespace rx_fwk {

struct ErrorLogRecord {
    char month[2];
    char slash1;
    char day[2];
    char slash2;
    char year[4];
    char tab1;
    char hour[2];
    char colon1;
    char minute[2];
    char colon2;
    char second[2];
    char dot;
    char milliseconds[3];
    char tab2;
    char level[1];
    char tab3;
    char code[6];
    char tab4;
    char subCode[3];
    char tab5;
    // First text, a TAB when room is left, second text, spaces.
    char texts[217];
};

static_assert(sizeof(ErrorLogRecord) == 254, "an error-log record is 254 characters");
static_assert(offsetof(ErrorLogRecord, year) == 6);
static_assert(offsetof(ErrorLogRecord, hour) == 11);
static_assert(offsetof(ErrorLogRecord, milliseconds) == 20);
static_assert(offsetof(ErrorLogRecord, level) == 24);
static_assert(offsetof(ErrorLogRecord, code) == 26);
static_assert(offsetof(ErrorLogRecord, subCode) == 33);
static_assert(offsetof(ErrorLogRecord, texts) == 37);

// Fills every field; numbers keep their lowest digits, texts are cut to the room left.
void formatErrorLogRecord(ErrorLogRecord& record, const SYSTEMTIME& utc, std::int32_t level,
                          std::int32_t code, std::int32_t subCode, const char* firstText,
                          const char* secondText);

}  // namespace rx_fwk
