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
    // The integer part may be grouped as the program shows figures: a space or a no-break
    // space before each group of three digits ("1 234 567,89"), and nowhere else.
    bool thousands = false;
    // The forms other C libraries give "%f" for an infinity or a NaN are read as such:
    // "1.#INF00", "1.#IND00", "1.#QNAN0", "1.#SNAN0" and "nan(...)" ("nan(ind)", "nan(0x1)").
    bool otherNonFinite = false;
};

// A field of the in-memory table typed by the user.
inline constexpr NumberSyntax kCellInteger{kCellBlanks, false, "", false, false};
inline constexpr NumberSyntax kCellDecimal{kCellBlanks, true, ".,", true, true};
// An amount typed in a dialog, once its trailing signs are cut: in cents it allows no blank
// after it, as a decimal it may have one; both take "," only, and thousands grouped as the
// window shows them, so that a figure copied from it reads back.
inline constexpr NumberSyntax kAmountCents{{" ", ""}, false, ",", false, false, true};
inline constexpr NumberSyntax kAmountDecimal{{" ", " "}, false, ",", true, false, true};

// A number field of the program's files: the number whole, C blanks around it aside. The
// writers write nothing else, so a number followed by other text, in another base or out of its
// field's range went through other hands and is refused. Decimals take "." and an exponent,
// and "inf" and "nan", which the writers write for a coefficient or a variation holding one,
// in the forms of every C library.
inline constexpr NumberSyntax kFileInteger{{kCBlanks, kCBlanks}, false, "", false, false};
inline constexpr NumberSyntax kFileDecimal{
    {kCBlanks, kCBlanks}, false, ".", true, true, false, true};

// The text without blanks and group spaces, in the C form ("-12.5e3", "+" dropped, a leading
// "0" added before a bare decimal point), or nothing when it breaks the syntax.
std::optional<std::string> NormaliseNumber(std::string_view text, const NumberSyntax& syntax);

// The readers of a whole text, one per kind of number: whole, amount in cents, decimal. Each
// gives nothing rather than a value the text does not hold exactly: the syntax broken (stray
// text, a hexadecimal form), the value out of the target's range.
std::optional<std::int32_t> ParseInt32(std::string_view text, const NumberSyntax& syntax);
// Decimals past the cents must be zeros ("12,50" and "12,500" give 1250, "12,345" nothing);
// no exponent, no "inf" nor "nan", whatever the syntax says.
std::optional<std::int32_t> ParseCents(std::string_view text, const NumberSyntax& syntax);
std::optional<double> ParseDouble(std::string_view text, const NumberSyntax& syntax);
// Read at extended precision, then narrowed to a float.
std::optional<float> ParseSingle(std::string_view text, const NumberSyntax& syntax);

// What a number stands for: its refusal is worded after it, so that a price is not called a
// whole value.
enum class NumberKind : std::uint8_t {
    Whole,   // a count, a number of days, a volume, a code taken as a number
    Decimal, // a rate, a coefficient, a table cell
    Amount,  // a sum of money
    Price,   // the price of a security
};
// The one wording of a text that does not read as the number it should hold, the text quoted
// as given: "'12;30' n'est pas un prix correct".
std::string NotANumberText(std::string_view text, NumberKind kind);
// Throws ConversionError with that wording.
[[noreturn]] void RefuseNumber(std::string_view text, NumberKind kind);

// A typed whole number (blanks around, an optional sign, digits), or the conversion error
// worded for a whole value.
std::int32_t ReadWholeNumber(std::string_view text);

// Read like the C conversions "%d" and "%f": leading blanks skipped, the number read as far
// as it goes. When the text holds no number the target is left unchanged and false returned.
// "%d" values out of the int32 range wrap to 32 bits. The portfolio reader asks it only
// whether a field holds a number at all: one that holds none is left as it is, one that holds
// a number the whole-field readers refuse is refused.
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

// The "number" format of amounts: thousands grouped, the given decimals, rounding to
// precision significant digits first (9 in the program's displays).
std::string FormatNumber(double value, int decimals = 2, int precision = 9);
// Fixed notation with the user's decimal separator and no grouping, rounded as FormatNumber.
std::string FormatFixedUser(double value, int decimals = 2, int precision = 15);
// A figure under a display mask such as "0,.00": as many decimals as the mask has digits
// after its ".", thousands grouped when a "," comes before that point. Masks keep 15
// significant digits, unlike the 9 of the windows' own figures, so that a table's or a
// report's amount is shown whole.
std::string FormatMask(std::string_view mask, double value);

} // namespace platform
