// Calendar arithmetic of the proleptic Gregorian calendar in whole days, without the C library's
// time zone rules (gmtime is not reentrant, timegm is not standard).
#include "app/UtcTime.h"

#include <cctype>
#include <cstdio>
#include <ctime>

namespace Cobalt {

namespace {

constexpr std::int64_t SecondsPerDay = 86400;

// Days from 1970-01-01 to the date, counting in 400-year eras that begin on March 1.
std::int64_t daysFromCivil(std::int64_t year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = year / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

bool isLeapYear(std::int64_t year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

unsigned daysInMonth(std::int64_t year, unsigned month) {
    static const unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

// The number written by count digits at text[position]; none when one is not a digit.
std::optional<unsigned> digitsAt(const std::string &text, std::size_t position, int count) {
    unsigned value = 0;
    for (int index = 0; index < count; ++index) {
        const unsigned char c = static_cast<unsigned char>(text[position + index]);
        if (!std::isdigit(c))
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

std::optional<std::int64_t> parseUtcTime(const std::string &text) {
    // The separators' places in "YYYY-MM-DDTHH:MM:SSZ".
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || text[16] != ':' || text[19] != 'Z')
        return std::nullopt;
    const auto year = digitsAt(text, 0, 4), month = digitsAt(text, 5, 2),
               day = digitsAt(text, 8, 2), hour = digitsAt(text, 11, 2),
               minute = digitsAt(text, 14, 2), second = digitsAt(text, 17, 2);
    if (!year || !month || !day || !hour || !minute || !second || *year < 1970 || *month < 1 ||
        *month > 12 || *day < 1 || *day > daysInMonth(*year, *month) || *hour > 23 ||
        *minute > 59 || *second > 59)
        return std::nullopt;
    return daysFromCivil(*year, *month, *day) * SecondsPerDay + *hour * 3600 + *minute * 60 +
           *second;
}

std::string formatUtcTime(std::int64_t seconds) {
    std::int64_t days = seconds / SecondsPerDay;
    const std::int64_t rest = seconds % SecondsPerDay;
    std::int64_t year = 1970;
    while (days >= (isLeapYear(year) ? 366 : 365))
        days -= isLeapYear(year++) ? 366 : 365;
    unsigned month = 1;
    while (days >= daysInMonth(year, month))
        days -= daysInMonth(year, month++);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02dT%02d:%02d:%02dZ", static_cast<int>(year),
                  month, static_cast<int>(days + 1), static_cast<int>(rest / 3600),
                  static_cast<int>(rest / 60 % 60), static_cast<int>(rest % 60));
    return text;
}

std::int64_t currentUtcTime() { return static_cast<std::int64_t>(std::time(nullptr)); }

} // namespace Cobalt
