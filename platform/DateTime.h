#pragma once

// Dates are day numbers: 0 is 30/12/1899 at midnight, the time of day is the fraction.

namespace platform {

using TDateTime = double;

// Throws ConversionError when the date or time does not exist.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond = 0);
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& result);

struct DateParts {
    int year = 0;
    int month = 0;
    int day = 0;
};
struct TimeParts {
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};
DateParts DecodeDate(TDateTime value);
TimeParts DecodeTime(TDateTime value);

// 1 is Sunday, 7 is Saturday.
int DayOfWeek(TDateTime value);
bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// Before 30/12/1899 the day numbers are negative and the time of day still counts forward
// from midnight: -1.25 is 29/12/1899 at 06:00. So the day is the whole part toward zero and
// the time of day the fraction's absolute value (rounded to the millisecond).
TDateTime DateOf(TDateTime value);
TDateTime TimeOf(TDateTime value);

// The first and the last day that a date text holds: 01/01/0001 and 31/12/9999.
inline constexpr TDateTime kFirstDay = -693593.0;
inline constexpr TDateTime kLastDay = 2958465.0;
// True when value is a day number whose day lies between them, so that its date text reads back
// as that day; false for a value that is not finite.
bool FitsDateText(TDateTime value);

// The clock every "today" and "now" of the program reads; tests fix it.
class Clock {
public:
    static TDateTime Now();
    static TDateTime Today();
    static void SetFixed(TDateTime now);
    static void Reset();
};

inline TDateTime Now() {
    return Clock::Now();
}
inline TDateTime Date() {
    return Clock::Today();
}

} // namespace platform
