#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Number texts that never depend on the C locale: files always use "." as decimal point.

namespace platform {

// Read like the C conversions "%d" and "%f": leading blanks skipped, the number read as far
// as it goes. When the text holds no number the target is left unchanged and false returned.
// "%d" values out of the int32 range wrap to 32 bits as the original program's int did.
bool ScanInt(std::string_view text, std::int32_t& target);
bool ScanFloat(std::string_view text, float& target);
bool ScanDouble(std::string_view text, double& target);

// Written like "%d", "%f" (six decimals) and "%.Nf", with "." as decimal point.
std::string FormatInt(std::int64_t value);
std::string FormatFixed(double value, int decimals = 6);

// Separators of numbers shown to the user. Defaults are the values the main window sets.
struct FormatSettings {
    char DecimalSeparator = ',';
    std::string ThousandSeparator = "\u00A0"; // no-break space
    static FormatSettings& Current();
};

// The class library's "number" format: thousands grouped, the given decimals, rounding to
// precision significant digits first (9 in the program's displays).
std::string FormatNumber(double value, int decimals = 2, int precision = 9);
// Fixed notation with the user's decimal separator and no grouping, rounded as FormatNumber.
std::string FormatFixedUser(double value, int decimals = 2, int precision = 15);

} // namespace platform
