// Time-zone text parsing and the fixed daylight-time rule.
#include "kernel/time/TimeZoneRule.h"

#include <cctype>
#include <cstring>

namespace {

constexpr LONG kMaxBiasMinutes = 24 * 60;
constexpr std::int64_t kSecondsPerDay = 86400;

void copyName(char* target, const char* begin, std::size_t length) {
    if (length > kTimeZoneNameMax) {
        length = kTimeZoneNameMax;
    }
    std::memcpy(target, begin, length);
    target[length] = '\0';
}

// Reads digits, saturating so that a long run of digits cannot overflow.
std::int64_t readNumber(const char*& p, const char* end) {
    std::int64_t value = 0;
    while (p < end && std::isdigit(static_cast<unsigned char>(*p))) {
        if (value < 1000000) {
            value = value * 10 + (*p - '0');
        }
        ++p;
    }
    return value;
}

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

std::int64_t yearOfDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
}

// 0 = Sunday.
unsigned weekday(std::int64_t days) {
    return static_cast<unsigned>(((days % 7) + 7 + 4) % 7);
}

std::int64_t firstSunday(std::int64_t year, unsigned month) {
    const std::int64_t first = daysFromCivil(year, month, 1);
    return first + (7 - weekday(first)) % 7;
}

std::int64_t lastSunday(std::int64_t year, unsigned month) {
    const std::int64_t last = daysFromCivil(year, month + 1, 1) - 1;
    return last - weekday(last);
}

}  // namespace

TovTimeZoneRule TovParseTimeZone(const char* text) {
    if (text == nullptr || *text == '\0') {
        text = "CUT0";
    }
    const char* p = text;
    const char* end = text + ::strnlen(text, kTimeZoneTextMax);

    TovTimeZoneRule rule{};
    const char* name = p;
    while (p < end && *p != '+' && *p != '-' && !std::isdigit(static_cast<unsigned char>(*p))) {
        ++p;
    }
    copyName(rule.standardName, name, static_cast<std::size_t>(p - name));

    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    // The sign applies to the whole offset, so "-05:30" is five and a half hours east.
    std::int64_t seconds = readNumber(p, end) * 3600;
    if (p < end && *p == ':') {
        ++p;
        seconds += readNumber(p, end) * 60;
        if (p < end && *p == ':') {
            ++p;
            seconds += readNumber(p, end);
        }
    }
    std::int64_t bias = (negative ? -seconds : seconds) / 60;
    if (bias > kMaxBiasMinutes) {
        bias = kMaxBiasMinutes;
    } else if (bias < -kMaxBiasMinutes) {
        bias = -kMaxBiasMinutes;
    }
    rule.biasMinutes = static_cast<LONG>(bias);

    copyName(rule.daylightName, p, static_cast<std::size_t>(end - p));
    rule.hasDaylight = rule.daylightName[0] != '\0';
    return rule;
}

LONG TovTimeZoneBiasAt(const TovTimeZoneRule& rule, std::int64_t unixSeconds) {
    if (!rule.hasDaylight) {
        return rule.biasMinutes;
    }
    const std::int64_t standard = unixSeconds - static_cast<std::int64_t>(rule.biasMinutes) * 60;
    const std::int64_t days = standard >= 0 ? standard / kSecondsPerDay
                                            : (standard - kSecondsPerDay + 1) / kSecondsPerDay;
    const std::int64_t year = yearOfDays(days);
    const std::int64_t start = firstSunday(year, 4) * kSecondsPerDay + 2 * 3600;
    // 02:00 daylight time is 01:00 standard time.
    const std::int64_t stop = lastSunday(year, 10) * kSecondsPerDay + 1 * 3600;
    if (standard >= start && standard < stop) {
        return rule.biasMinutes - 60;
    }
    return rule.biasMinutes;
}
