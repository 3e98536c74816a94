// MS-DOS date and time conversion by plain calendar arithmetic.
#include "kernel/fs/DosDateTime.h"

namespace {

// Days from 1601-01-01 to the given civil date (proleptic Gregorian).
std::int64_t daysSince1601(std::int64_t year, std::int64_t month, std::int64_t day) {
    year -= month <= 2;
    const std::int64_t era = year / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t shiftedMonth = (month + 9) % 12;
    const std::int64_t dayOfYear = (153 * shiftedMonth + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    constexpr std::int64_t k1970 = 719468;  // 1970-01-01 in the era count
    constexpr std::int64_t k1601To1970 = 134774;
    return era * 146097 + dayOfEra - k1970 + k1601To1970;
}

}  // namespace

FILETIME TovDosDateTimeToFileTime(std::uint16_t date, std::uint16_t time) {
    const std::int64_t year = 1980 + (date >> 9);
    const std::int64_t month = (date >> 5) & 0x0F;
    const std::int64_t day = date & 0x1F;
    const std::int64_t seconds =
        std::int64_t(time >> 11) * 3600 + ((time >> 5) & 0x3F) * 60 + (time & 0x1F) * 2;
    const std::int64_t ticks = (daysSince1601(year, month, day) * 86400 + seconds) * 10000000;
    FILETIME result;
    result.dwLowDateTime = DWORD(std::uint64_t(ticks));
    result.dwHighDateTime = DWORD(std::uint64_t(ticks) >> 32);
    return result;
}
