#pragma once

#include "platform/DateTime.h"

#include <string>
#include <string_view>

// Date and time texts under the program's formats: "/" between day, month and year, short
// date "DD/MM/YY", short time "HH:NN", long time "HH:NN:SS".

namespace platform {

std::string DateToStr(TDateTime value);      // "DD/MM/YY"
std::string DateToStrFull(TDateTime value);  // "DD/MM/YYYY"
std::string TimeToStr(TDateTime value);      // "HH:NN:SS"
std::string ShortTimeToStr(TDateTime value); // "HH:NN"
std::string DateTimeToStr(TDateTime value);  // "DD/MM/YY HH:NN:SS"

// Format with the tokens d, dd, m, mm, yy, yyyy, h, hh, n, nn, s, ss; any other character is
// copied. "mm" right after an hour token means minutes, so "hh:mm" reads as a time.
std::string FormatDateTime(std::string_view format, TDateTime value);

// Day/month/year with "/" (also "." or "-"); the year may be omitted (current year), two
// digits (placed in the hundred years that begin 50 years before the current year) or four.
// Surrounding blanks are ignored. Throws ConversionError with a French message otherwise.
TDateTime StrToDate(std::string_view text);
// "H:N" or "H:N:S", optional blanks around; throws ConversionError.
TDateTime StrToTime(std::string_view text);
// A date, then optionally blanks and a time.
TDateTime StrToDateTime(std::string_view text);

bool TryStrToDate(std::string_view text, TDateTime& result);
bool TryStrToTime(std::string_view text, TDateTime& result);

// The two-digit year window: the year of yy relative to the clock's current year.
int ExpandTwoDigitYear(int yy);

} // namespace platform
