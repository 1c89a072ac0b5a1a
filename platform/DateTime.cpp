#include "platform/DateTime.h"

#include "platform/ConversionError.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <mutex>

namespace platform {

namespace {

constexpr double kMsPerDay = 86400000.0;

// Day number of 30/12/1899, the origin, counted from 31/12/0000 (proleptic Gregorian).
constexpr long kDateDelta = 693594;

long DaysBeforeYear(long year) {
    const long y = year - 1;
    return y * 365 + y / 4 - y / 100 + y / 400;
}

// Day number (without the origin shift) back to a civil date; the inverse of the sum used by
// TryEncodeDate, written after the usual 400/100/4/1-year cycle decomposition.
DateParts CivilFromDays(long days) { // days since 1/1/0001, 0-based
    long t = days;
    long y = 1;
    const long n400 = t / 146097;
    t %= 146097;
    long n100 = t / 36524;
    t %= 36524;
    if (n100 == 4) { // last day of a 400-year cycle
        n100 = 3;
        t += 36524;
    }
    const long n4 = t / 1461;
    t %= 1461;
    long n1 = t / 365;
    t %= 365;
    if (n1 == 4) { // last day of a leap year
        n1 = 3;
        t += 365;
    }
    y += n400 * 400 + n100 * 100 + n4 * 4 + n1;
    DateParts parts;
    parts.year = static_cast<int>(y);
    int month = 1;
    while (month < 12 && t >= DaysInMonth(parts.year, month)) {
        t -= DaysInMonth(parts.year, month);
        ++month;
    }
    parts.month = month;
    parts.day = static_cast<int>(t) + 1;
    return parts;
}

// Milliseconds of a day number: the whole-day part counts toward zero and the time of day is
// the absolute value of the fraction, so that a date before 1899 still has its time counted
// forward from midnight.
void SplitValue(TDateTime value, long& day, long& msOfDay) {
    if (!std::isfinite(value) || std::fabs(value) > 3.0e6) {
        day = 0;
        msOfDay = 0;
        return;
    }
    const double ms = std::round(value * kMsPerDay);
    const long long total = static_cast<long long>(ms);
    day = static_cast<long>(total / 86400000LL);
    long long rest = total % 86400000LL;
    if (rest < 0)
        rest = -rest;
    msOfDay = static_cast<long>(rest);
}

std::mutex clockMutex;
bool clockFixed = false;
TDateTime clockValue = 0;

TDateTime SystemNow() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    long ms = static_cast<long>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    if (ms < 0)
        ms += 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    TDateTime date = 0;
    TDateTime time = 0;
    if (!TryEncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, date))
        return 0;
    // A leap second (tm_sec 60) is folded into the last second of its minute.
    const int second = local.tm_sec > 59 ? 59 : local.tm_sec;
    TryEncodeTime(local.tm_hour, local.tm_min, second, static_cast<int>(ms), time);
    return date + time;
}

} // namespace

bool IsLeapYear(int year) {
    return (year % 4 == 0) && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    if (month == 2 && IsLeapYear(year))
        return 29;
    return kDays[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month))
        return false;
    static constexpr int kDaysBeforeMonth[12] = {0,   31,  59,  90,  120, 151,
                                                 181, 212, 243, 273, 304, 334};
    long days = DaysBeforeYear(year) + kDaysBeforeMonth[month - 1] + day;
    if (month > 2 && IsLeapYear(year))
        ++days;
    result = static_cast<double>(days - kDateDelta);
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime result = 0;
    if (!TryEncodeDate(year, month, day, result))
        throw ConversionError("Argument de date incorrect");
    return result;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& result) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        millisecond < 0 || millisecond > 999)
        return false;
    const long ms = ((hour * 60L + minute) * 60L + second) * 1000L + millisecond;
    result = static_cast<double>(ms) / kMsPerDay;
    return true;
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
    TDateTime result = 0;
    if (!TryEncodeTime(hour, minute, second, millisecond, result))
        throw ConversionError("Argument d'heure incorrect");
    return result;
}

DateParts DecodeDate(TDateTime value) {
    long day = 0;
    long ms = 0;
    SplitValue(value, day, ms);
    const long fromOrigin = day + kDateDelta - 1; // days since 1/1/0001
    if (fromOrigin < 0)
        return DateParts{};
    return CivilFromDays(fromOrigin);
}

TimeParts DecodeTime(TDateTime value) {
    long day = 0;
    long ms = 0;
    SplitValue(value, day, ms);
    TimeParts parts;
    parts.millisecond = static_cast<int>(ms % 1000);
    ms /= 1000;
    parts.second = static_cast<int>(ms % 60);
    ms /= 60;
    parts.minute = static_cast<int>(ms % 60);
    parts.hour = static_cast<int>(ms / 60);
    return parts;
}

int DayOfWeek(TDateTime value) {
    long day = 0;
    long ms = 0;
    SplitValue(value, day, ms);
    // Day 0 was a Saturday.
    long r = (day + 6) % 7;
    if (r < 0)
        r += 7;
    return static_cast<int>(r) + 1;
}

TDateTime DateOf(TDateTime value) {
    long day = 0;
    long ms = 0;
    SplitValue(value, day, ms);
    return static_cast<double>(day);
}

bool FitsDateText(TDateTime value) {
    // Bounded first: DateOf takes a value too far to be a day as day 0.
    if (!std::isfinite(value) || value <= kFirstDay - 1.0 || value >= kLastDay + 1.0)
        return false;
    const TDateTime day = DateOf(value);
    return day >= kFirstDay && day <= kLastDay;
}

TDateTime TimeOf(TDateTime value) {
    long day = 0;
    long ms = 0;
    SplitValue(value, day, ms);
    return static_cast<double>(ms) / kMsPerDay;
}

TDateTime Clock::Now() {
    {
        std::lock_guard<std::mutex> lock(clockMutex);
        if (clockFixed)
            return clockValue;
    }
    return SystemNow();
}

TDateTime Clock::Today() {
    return DateOf(Now());
}

void Clock::SetFixed(TDateTime now) {
    std::lock_guard<std::mutex> lock(clockMutex);
    clockFixed = true;
    clockValue = now;
}

void Clock::Reset() {
    std::lock_guard<std::mutex> lock(clockMutex);
    clockFixed = false;
}

} // namespace platform
