#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Number texts that never depend on the C locale: files always use "." as decimal point.

namespace platform {

constexpr bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The blanks cut around a text, which may differ on each side.
struct Blanks {
    std::string_view leading;
    std::string_view trailing;
};
// What the C library's isspace() takes, on both sides.
inline constexpr std::string_view kCBlanks = " \t\n\v\f\r";
// A typed cell or a list item: spaces and tabs, and the line end a pasted line leaves behind.
inline constexpr Blanks kCellBlanks{" \t", " \t\r\n"};

std::string_view TrimLeft(std::string_view text, std::string_view blanks);
std::string_view TrimRight(std::string_view text, std::string_view blanks);
std::string_view Trim(std::string_view text, Blanks blanks = kCellBlanks);

// The rules of a whole typed number: the blanks cut around it, then an optional sign, digits,
// at most one decimal point and an optional exponent, and nothing else. Hexadecimal forms are
// never numbers a user types.
struct NumberSyntax {
    Blanks blanks = kCellBlanks;
    // Spaces, no-break and narrow no-break spaces are ignored anywhere, as thousands groups.
    bool groupBlanks = false;
    // The characters taken as decimal point; none for a whole number.
    std::string_view decimalPoints;
    bool exponent = false;
    // "inf", "infinity" and "nan" in any case are let through, for a reader whose caller
    // checks the range itself and tells its own refusal.
    bool nonFinite = false;
};

// A field of the in-memory table typed by the user.
inline constexpr NumberSyntax kCellInteger{kCellBlanks, false, "", false, false};
inline constexpr NumberSyntax kCellDecimal{kCellBlanks, true, ".,", true, true};
// The parts of an amount typed in a dialog, read as the class library's readers do: the whole
// number allows no blank after it, the decimal one takes "," only.
inline constexpr NumberSyntax kAmountInteger{{" ", ""}, false, "", false, false};
inline constexpr NumberSyntax kAmountDecimal{{" ", " "}, false, ",", true, false};

// The text without blanks and group spaces, in the C form ("-12.5e3", "+" dropped, a leading
// "0" added before a bare decimal point), or nothing when it breaks the syntax.
std::optional<std::string> NormaliseNumber(std::string_view text, const NumberSyntax& syntax);

// Whole-text readers: nothing when the syntax is broken or the value out of the target's range.
std::optional<std::int32_t> ParseInt32(std::string_view text, const NumberSyntax& syntax);
std::optional<double> ParseDouble(std::string_view text, const NumberSyntax& syntax);
// Read at extended precision, then narrowed, as the class library's float reader does.
std::optional<float> ParseSingle(std::string_view text, const NumberSyntax& syntax);

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
