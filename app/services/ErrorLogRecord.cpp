// Error-log record formatting.
#include "app/services/ErrorLogRecord.h"

#include <cstring>

namespace rx_fwk {
namespace {

// Leading zeros in exactly the field's width; a larger number keeps its lowest digits.
template <std::size_t Width>
void putDigits(char (&field)[Width], std::uint32_t value) {
    for (std::size_t i = Width; i > 0; --i) {
        field[i - 1] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

// A line end inside a text would split the record and shift every record after it.
std::size_t putText(char* target, std::size_t room, const char* text) {
    const std::size_t length = text == nullptr ? 0 : ::strnlen(text, room);
    for (std::size_t i = 0; i < length; ++i) {
        target[i] = text[i] == '\n' || text[i] == '\r' ? ' ' : text[i];
    }
    return length;
}

}  // namespace

void formatErrorLogRecord(ErrorLogRecord& record, const SYSTEMTIME& utc, std::int32_t level,
                          std::int32_t code, std::int32_t subCode, const char* firstText,
                          const char* secondText) {
    putDigits(record.month, utc.wMonth);
    record.slash1 = '/';
    putDigits(record.day, utc.wDay);
    record.slash2 = '/';
    putDigits(record.year, utc.wYear);
    record.tab1 = '\t';
    putDigits(record.hour, utc.wHour);
    record.colon1 = ':';
    putDigits(record.minute, utc.wMinute);
    record.colon2 = ':';
    putDigits(record.second, utc.wSecond);
    record.dot = '.';
    putDigits(record.milliseconds, utc.wMilliseconds);
    record.tab2 = '\t';
    putDigits(record.level, static_cast<std::uint32_t>(level));
    record.tab3 = '\t';
    putDigits(record.code, static_cast<std::uint32_t>(code));
    record.tab4 = '\t';
    putDigits(record.subCode, static_cast<std::uint32_t>(subCode));
    record.tab5 = '\t';

    const std::size_t room = sizeof record.texts;
    std::size_t used = putText(record.texts, room, firstText);
    if (used < room) {
        record.texts[used++] = '\t';
        used += putText(record.texts + used, room - used, secondText);
    }
    std::memset(record.texts + used, ' ', room - used);
}

}  // namespace rx_fwk
