#include "platform/DateText.h"

#include "platform/ConversionError.h"

#include <cstddef>
#include <string>

namespace platform {

namespace {

constexpr char kDateSeparator = '/';
constexpr char kTimeSeparator = ':';

const char* const kShortDayNames[7] = {"dim.", "lun.", "mar.", "mer.", "jeu.", "ven.", "sam."};
const char* const kLongDayNames[7] = {"dimanche", "lundi",    "mardi", "mercredi",
                                      "jeudi",    "vendredi", "samedi"};
const char* const kShortMonthNames[12] = {"janv.", "févr.", "mars",  "avr.", "mai",  "juin",
                                          "juil.", "août",  "sept.", "oct.", "nov.", "déc."};
const char* const kLongMonthNames[12] = {"janvier",   "février", "mars",     "avril",
                                         "mai",       "juin",    "juillet",  "août",
                                         "septembre", "octobre", "novembre", "décembre"};

// A cursor over the text being parsed.
struct Scanner {
    std::string_view text;
    std::size_t pos = 0;

    bool AtEnd() const { return pos >= text.size(); }

    void SkipBlanks() {
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
            ++pos;
    }

    // Unsigned decimal number of at most maxDigits digits; digits tells how many were read.
    bool Number(int& value, int& digits, int maxDigits) {
        value = 0;
        digits = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
            if (digits == maxDigits)
                return false;
            value = value * 10 + (text[pos] - '0');
            ++digits;
            ++pos;
        }
        return digits > 0;
    }

    bool Char(char c) {
        if (pos < text.size() && text[pos] == c) {
            ++pos;
            return true;
        }
        return false;
    }

    bool DateSeparator() {
        if (pos < text.size() &&
            (text[pos] == kDateSeparator || text[pos] == '.' || text[pos] == '-')) {
            ++pos;
            return true;
        }
        return false;
    }
};

int CurrentYear() {
    return DecodeDate(Clock::Now()).year;
}

bool ScanDate(Scanner& s, TDateTime& result) {
    s.SkipBlanks();
    int day = 0;
    int month = 0;
    int year = 0;
    int digits = 0;
    if (!s.Number(day, digits, 2) || !s.DateSeparator() || !s.Number(month, digits, 2))
        return false;
    if (s.DateSeparator()) {
        int yearDigits = 0;
        if (!s.Number(year, yearDigits, 4))
            return false;
        if (yearDigits <= 2)
            year = ExpandTwoDigitYear(year);
    } else {
        year = CurrentYear();
    }
    return TryEncodeDate(year, month, day, result);
}

bool ScanTime(Scanner& s, TDateTime& result) {
    s.SkipBlanks();
    int hour = 0;
    int minute = 0;
    int second = 0;
    int digits = 0;
    if (!s.Number(hour, digits, 2) || !s.Char(kTimeSeparator) || !s.Number(minute, digits, 2))
        return false;
    if (s.Char(kTimeSeparator) && !s.Number(second, digits, 2))
        return false;
    return TryEncodeTime(hour, minute, second, 0, result);
}

// Everything consumed, bar trailing blanks.
bool Finished(Scanner& s) {
    s.SkipBlanks();
    return s.AtEnd();
}

TDateTime Combine(TDateTime date, TDateTime time) {
    // Before the origin the time of day still counts forward from midnight.
    return date >= 0 ? date + time : date - time;
}

void AppendNumber(std::string& out, int value, int width) {
    std::string digits = std::to_string(value);
    if (static_cast<int>(digits.size()) < width)
        out.append(static_cast<std::size_t>(width) - digits.size(), '0');
    out += digits;
}

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::size_t CountRun(std::string_view format, std::size_t i, char token) {
    std::size_t n = 0;
    while (i + n < format.size() && Upper(format[i + n]) == token)
        ++n;
    return n;
}

void AppendFormatted(std::string& out, std::string_view format, TDateTime value, int depth);

void AppendToken(std::string& out, char token, std::size_t count, TDateTime value, int depth) {
    const DateParts date = DecodeDate(value);
    const TimeParts time = DecodeTime(value);
    switch (token) {
    case 'Y':
        if (count <= 2)
            AppendNumber(out, date.year % 100, 2);
        else
            AppendNumber(out, date.year, 4);
        break;
    case 'M':
        if (count <= 2)
            AppendNumber(out, date.month, static_cast<int>(count));
        else if (date.month >= 1)
            out += (count == 3 ? kShortMonthNames : kLongMonthNames)[date.month - 1];
        break;
    case 'D':
        if (count <= 2)
            AppendNumber(out, date.day, static_cast<int>(count));
        else if (count <= 4)
            out += (count == 3 ? kShortDayNames : kLongDayNames)[DayOfWeek(value) - 1];
        else if (depth < 2)
            AppendFormatted(out, count == 5 ? "dd/mm/yy" : "dddd d mmmm yyyy", value, depth + 1);
        break;
    case 'H':
        AppendNumber(out, time.hour, count == 1 ? 1 : 2);
        break;
    case 'N':
        AppendNumber(out, time.minute, count == 1 ? 1 : 2);
        break;
    case 'S':
        AppendNumber(out, time.second, count == 1 ? 1 : 2);
        break;
    case 'Z':
        AppendNumber(out, time.millisecond, count == 1 ? 1 : 3);
        break;
    case 'T':
        if (depth < 2)
            AppendFormatted(out, count == 1 ? "hh:nn" : "hh:nn:ss", value, depth + 1);
        break;
    case 'C':
        if (depth < 2) {
            AppendFormatted(out, "dd/mm/yy", value, depth + 1);
            if (time.hour != 0 || time.minute != 0 || time.second != 0) {
                out += ' ';
                AppendFormatted(out, "hh:nn:ss", value, depth + 1);
            }
        }
        break;
    default:
        break;
    }
}

void AppendFormatted(std::string& out, std::string_view format, TDateTime value, int depth) {
    char lastToken = 0;
    std::size_t i = 0;
    while (i < format.size()) {
        const char c = format[i];
        if (c == '"' || c == '\'') {
            const std::size_t close = format.find(c, i + 1);
            const std::size_t end = close == std::string_view::npos ? format.size() : close;
            out.append(format.substr(i + 1, end - i - 1));
            i = end == format.size() ? end : end + 1;
            continue;
        }
        char token = Upper(c);
        const bool letter = token >= 'A' && token <= 'Z';
        if (letter) {
            if (token == 'M' && lastToken == 'H')
                token = 'N';
            lastToken = token;
        }
        switch (token) {
        case 'Y':
        case 'M':
        case 'D':
        case 'H':
        case 'N':
        case 'S':
        case 'Z':
        case 'T': {
            const std::size_t count = CountRun(format, i, Upper(c));
            AppendToken(out, token, count, value, depth);
            i += count;
            break;
        }
        case 'C':
            AppendToken(out, token, 1, value, depth);
            ++i;
            break;
        case '/':
            out += kDateSeparator;
            ++i;
            break;
        case ':':
            out += kTimeSeparator;
            ++i;
            break;
        default:
            out += c;
            ++i;
            break;
        }
    }
}

[[noreturn]] void Fail(const char* what, std::string_view text) {
    throw ConversionError("'" + std::string(text) + "' " + what);
}

} // namespace

int ExpandTwoDigitYear(int yy) {
    const int windowStart = CurrentYear() - 50;
    int year = windowStart - windowStart % 100 + yy;
    if (year < windowStart)
        year += 100;
    return year;
}

std::string FormatDateTime(std::string_view format, TDateTime value) {
    std::string out;
    AppendFormatted(out, format, value, 0);
    return out;
}

std::string DateToStr(TDateTime value) {
    return FormatDateTime("dd/mm/yy", value);
}
std::string DateToStrFull(TDateTime value) {
    return FormatDateTime("dd/mm/yyyy", value);
}
std::string TimeToStr(TDateTime value) {
    return FormatDateTime("hh:nn:ss", value);
}
std::string ShortTimeToStr(TDateTime value) {
    return FormatDateTime("hh:nn", value);
}
std::string DateTimeToStr(TDateTime value) {
    return FormatDateTime("dd/mm/yy hh:nn:ss", value);
}

bool TryStrToDate(std::string_view text, TDateTime& result) {
    Scanner s{text};
    TDateTime date = 0;
    if (!ScanDate(s, date) || !Finished(s))
        return false;
    result = date;
    return true;
}

bool TryStrToTime(std::string_view text, TDateTime& result) {
    Scanner s{text};
    TDateTime time = 0;
    if (!ScanTime(s, time) || !Finished(s))
        return false;
    result = time;
    return true;
}

TDateTime StrToDate(std::string_view text) {
    TDateTime result = 0;
    if (!TryStrToDate(text, result))
        Fail("n'est pas une date correcte", text);
    return result;
}

TDateTime StrToTime(std::string_view text) {
    TDateTime result = 0;
    if (!TryStrToTime(text, result))
        Fail("n'est pas une heure correcte", text);
    return result;
}

TDateTime StrToDateTime(std::string_view text) {
    Scanner s{text};
    TDateTime date = 0;
    TDateTime time = 0;
    if (ScanDate(s, date)) {
        if (Finished(s))
            return date;
        if (ScanTime(s, time) && Finished(s))
            return Combine(date, time);
    }
    // A time alone is a time on the origin day.
    if (TryStrToTime(text, time))
        return time;
    Fail("n'est pas une date et heure correcte", text);
}

} // namespace platform
