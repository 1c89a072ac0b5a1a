#include "platform/Numbers.h"

#include "platform/Checked.h"
#include "platform/ConversionError.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <system_error>
#include <utility>

namespace platform {

namespace {

// A loop rather than a search for the set: numbers are read by the hundred thousand, and most
// start at once.
std::size_t SkipBlanks(std::string_view text) {
    std::size_t i = 0;
    // The C blanks: space and the controls from tab to carriage return.
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    return i;
}

// The length of a thousands space the program writes (a space, or the UTF-8 no-break space
// of FormatSettings) at text[i], or 0.
std::size_t ThousandsSpaceAt(std::string_view text, std::size_t i) {
    constexpr std::string_view kNoBreak = "\xC2\xA0";
    if (text[i] == ' ')
        return 1;
    if (text.substr(i, kNoBreak.size()) == kNoBreak)
        return kNoBreak.size();
    return 0;
}

// The length of a group space (a thousands space or a UTF-8 narrow no-break space) at
// text[i], or 0.
std::size_t GroupBlankAt(std::string_view text, std::size_t i) {
    constexpr std::string_view kNarrowNoBreak = "\xE2\x80\xAF";
    if (const std::size_t n = ThousandsSpaceAt(text, i); n > 0)
        return n;
    if (text.substr(i, kNarrowNoBreak.size()) == kNarrowNoBreak)
        return kNarrowNoBreak.size();
    return 0;
}

std::string WithoutGroupBlanks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (const std::size_t n = GroupBlankAt(text, i); n > 0) {
            i += n;
            continue;
        }
        out += text[i++];
    }
    return out;
}

// Reads a run of digits at text[i], appending them to out; false when there is none.
bool CopyDigits(std::string_view text, std::size_t& i, std::string& out) {
    const std::size_t start = i;
    while (i < text.size() && IsDigit(text[i]))
        out += text[i++];
    return i > start;
}

// Reads the integer part at text[i] like CopyDigits; when grouped, a first group of one to
// three digits may be followed by groups of three, each after one thousands space. A space
// that starts no such group is left unread, for the caller to refuse as stray text.
bool CopyIntegerDigits(std::string_view text, std::size_t& i, std::string& out, bool grouped) {
    const std::size_t start = out.size();
    if (!CopyDigits(text, i, out))
        return false;
    if (!grouped || out.size() - start > 3)
        return true;
    while (i < text.size()) {
        const std::size_t space = ThousandsSpaceAt(text, i);
        std::size_t next = i + space;
        const std::size_t kept = out.size();
        if (space == 0 || !CopyDigits(text, next, out) || out.size() - kept != 3) {
            out.resize(kept);
            break;
        }
        i = next;
    }
    return true;
}

bool IsNonFiniteWord(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lower == "inf" || lower == "infinity" || lower == "nan";
}

bool IsNanCharacter(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

// "inf" or "nan" for the text of an infinity or a NaN as other C libraries write it with "%f",
// sign aside; nothing for any other text. One library writes "1.#" and a word, padded with
// zeros to the decimals asked; C99 allows a NaN to carry letters, digits and "_" in brackets.
std::optional<std::string_view> OtherNonFinite(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    const std::string_view t = lower;
    if (t.starts_with("nan(") && t.ends_with(')')) {
        const std::string_view inside = t.substr(4, t.size() - 5);
        if (std::all_of(inside.begin(), inside.end(), IsNanCharacter))
            return "nan";
        return std::nullopt;
    }
    constexpr std::pair<std::string_view, std::string_view> kWords[] = {
        {"1.#inf", "inf"}, {"1.#ind", "nan"}, {"1.#qnan", "nan"}, {"1.#snan", "nan"}};
    for (const auto& [word, meaning] : kWords)
        if (t.starts_with(word) && t.find_first_not_of('0', word.size()) == std::string_view::npos)
            return meaning;
    return std::nullopt;
}

// from_chars over a whole normalised text; nothing when out of the type's range.
template <typename F> std::optional<F> ReadFloating(const std::string& number) {
    F value{};
    const char* const end = number.data() + number.size();
    const auto [ptr, ec] = std::from_chars(number.data(), end, value, std::chars_format::general);
    if (ec != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Rough power of ten of a decimal number text (digits, point, exponent), enough to tell an
// overflowing text from an underflowing one.
long DecimalMagnitude(std::string_view number) {
    long magnitude = 0;
    std::size_t i = 0;
    bool seenNonZero = false;
    for (; i < number.size() && IsDigit(number[i]); ++i) {
        if (number[i] != '0')
            seenNonZero = true;
        if (seenNonZero)
            ++magnitude;
    }
    if (i < number.size() && number[i] == '.') {
        for (++i; i < number.size() && IsDigit(number[i]); ++i) {
            if (seenNonZero)
                continue;
            if (number[i] != '0')
                seenNonZero = true;
            else
                --magnitude;
        }
    }
    if (i < number.size() && (number[i] == 'e' || number[i] == 'E')) {
        ++i;
        bool negative = false;
        if (i < number.size() && (number[i] == '+' || number[i] == '-')) {
            negative = number[i] == '-';
            ++i;
        }
        long exponent = 0;
        for (; i < number.size() && IsDigit(number[i]); ++i)
            if (exponent < 100000000)
                exponent = exponent * 10 + (number[i] - '0');
        magnitude += negative ? -exponent : exponent;
    }
    return magnitude;
}

// The floating conversions share the C syntax except for a leading '+' and the "0x" of the
// hexadecimal form, which from_chars does not take.
template <typename F> bool ScanFloating(std::string_view text, F& target) {
    std::size_t i = SkipBlanks(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= text.size() || text[i] == '+' || text[i] == '-')
        return false;
    F value{};
    auto format = std::chars_format::general;
    // "0x" starts a hexadecimal number only when a hexadecimal digit follows.
    if (i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
        (IsHexDigit(text[i + 2]) ||
         (text[i + 2] == '.' && i + 3 < text.size() && IsHexDigit(text[i + 3])))) {
        format = std::chars_format::hex;
        i += 2;
    }
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(first, last, value, format);
    if (ptr == first)
        return false;
    if (ec == std::errc::result_out_of_range) {
        // As strtod: overflow gives infinity, underflow gives zero.
        const std::string_view number(first, static_cast<std::size_t>(ptr - first));
        const bool huge = format == std::chars_format::hex
                              ? number.find("p-") == std::string_view::npos &&
                                    number.find("P-") == std::string_view::npos
                              : DecimalMagnitude(number) > 0;
        value = huge ? std::numeric_limits<F>::infinity() : F(0);
    } else if (ec != std::errc()) {
        return false;
    }
    target = negative ? -value : value;
    return true;
}

// The digits of |value| rounded to `digits` significant places: at most 18 digits are taken
// from the binary value (correctly rounded), then rounded half away from zero, as the class
// library's float-to-decimal conversion does.
struct Decimal {
    std::string digits; // no leading zero; empty when the value rounds to zero
    int exponent = 0;   // value = 0.d1d2d3... * 10^exponent
};

Decimal ToDecimal(double value, int significant, int decimals) {
    Decimal d;
    value = std::fabs(value);
    if (value == 0)
        return d;
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 17);
    std::string text(buf, res.ptr);
    const std::size_t e = text.find('e');
    std::string digits;
    for (std::size_t i = 0; i < e; ++i)
        if (text[i] != '.')
            digits += text[i];
    int exp10 = std::atoi(text.c_str() + e + 1) + 1;
    if (significant > 18)
        significant = 18;
    if (significant < 1)
        significant = 1;
    int keep = significant;
    if (decimals >= 0 && exp10 + decimals < keep)
        keep = exp10 + decimals;
    if (keep < 0)
        return d;
    const bool up = static_cast<std::size_t>(keep) < digits.size() && digits[keep] >= '5';
    digits.resize(static_cast<std::size_t>(keep));
    if (up) {
        int k = keep - 1;
        while (k >= 0 && digits[k] == '9') {
            digits[k] = '0';
            --k;
        }
        if (k >= 0) {
            ++digits[k];
        } else {
            digits.insert(digits.begin(), '1');
            ++exp10;
        }
    }
    while (!digits.empty() && digits.back() == '0')
        digits.pop_back();
    if (digits.empty())
        return d;
    d.digits = digits;
    d.exponent = exp10;
    return d;
}

char DigitAt(const Decimal& d, int position) { // position 0 is the first significant digit
    if (position < 0 || static_cast<std::size_t>(position) >= d.digits.size())
        return '0';
    return d.digits[static_cast<std::size_t>(position)];
}

// Shows a decimal expansion in plain notation: integer part (grouped when a separator is
// given), then the decimals.
std::string Layout(const Decimal& d, bool negative, int decimals, char decimalSeparator,
                   const std::string& thousandSeparator) {
    std::string out;
    if (negative && !d.digits.empty())
        out += '-';
    const int intDigits = d.exponent > 0 ? d.exponent : 0;
    if (intDigits == 0) {
        out += '0';
    } else {
        for (int i = 0; i < intDigits; ++i) {
            if (i > 0 && (intDigits - i) % 3 == 0)
                out += thousandSeparator;
            out += DigitAt(d, i);
        }
    }
    if (decimals > 0) {
        out += decimalSeparator;
        for (int i = 0; i < decimals; ++i)
            out += DigitAt(d, d.exponent + i);
    }
    return out;
}

// The general notation used for values too large for the fixed forms: mantissa without
// trailing zeros, "E" and the exponent.
std::string General(const Decimal& d, bool negative, char decimalSeparator) {
    std::string out;
    if (negative)
        out += '-';
    out += d.digits[0];
    if (d.digits.size() > 1) {
        out += decimalSeparator;
        out.append(d.digits, 1, std::string::npos);
    }
    out += 'E';
    out += std::to_string(d.exponent - 1);
    return out;
}

std::string NonFinite(double value) {
    if (std::isnan(value))
        return "NAN";
    return value < 0 ? "-INF" : "INF";
}

std::string FormatUser(double value, int decimals, int precision, bool grouped) {
    if (!std::isfinite(value))
        return NonFinite(value);
    if (decimals < 0)
        decimals = 0;
    if (decimals > 18)
        decimals = 18;
    const FormatSettings& settings = FormatSettings::Current();
    const Decimal d = ToDecimal(value, precision, decimals);
    if (d.exponent > precision || d.exponent > 18)
        return General(ToDecimal(value, precision, -1), value < 0, settings.DecimalSeparator);
    return Layout(d, value < 0, decimals, settings.DecimalSeparator,
                  grouped ? settings.ThousandSeparator : std::string());
}

} // namespace

std::string_view TrimLeft(std::string_view text, std::string_view blanks) {
    const std::size_t first = text.find_first_not_of(blanks);
    return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

std::string_view TrimRight(std::string_view text, std::string_view blanks) {
    const std::size_t last = text.find_last_not_of(blanks);
    return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

std::string_view Trim(std::string_view text, Blanks blanks) {
    return TrimRight(TrimLeft(text, blanks.leading), blanks.trailing);
}

std::optional<std::string> NormaliseNumber(std::string_view text, const NumberSyntax& syntax) {
    text = Trim(text, syntax.blanks);
    std::string kept;
    if (syntax.groupBlanks) {
        kept = WithoutGroupBlanks(text);
        text = kept;
    }
    std::string out;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-')
            out += '-';
        ++i;
    }
    if (syntax.nonFinite && IsNonFiniteWord(text.substr(i)))
        return out + std::string(text.substr(i));
    if (syntax.otherNonFinite)
        if (const auto mot = OtherNonFinite(text.substr(i)))
            return out + std::string(*mot);
    const std::size_t signEnd = out.size();
    const bool integerDigits = CopyIntegerDigits(text, i, out, syntax.thousands);
    bool decimalDigits = false;
    if (i < text.size() && syntax.decimalPoints.find(text[i]) != std::string_view::npos) {
        ++i;
        if (!integerDigits)
            out.insert(signEnd, 1, '0');
        out += '.';
        decimalDigits = CopyDigits(text, i, out);
    }
    if (!integerDigits && !decimalDigits)
        return std::nullopt;
    if (syntax.exponent && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        out += 'e';
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            out += text[i++];
        if (!CopyDigits(text, i, out))
            return std::nullopt;
    }
    if (i != text.size())
        return std::nullopt;
    return out;
}

std::optional<std::int32_t> ParseInt32(std::string_view text, const NumberSyntax& syntax) {
    NumberSyntax whole = syntax;
    whole.decimalPoints = {};
    whole.exponent = false;
    const std::optional<std::string> number = NormaliseNumber(text, whole);
    if (!number)
        return std::nullopt;
    const bool negative = number->front() == '-';
    // The magnitude may reach one more than the largest int32, for the smallest one.
    constexpr std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (const char c : std::string_view(*number).substr(negative ? 1 : 0)) {
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > limit)
            return std::nullopt;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::optional<std::int32_t> ParseCents(std::string_view text, const NumberSyntax& syntax) {
    NumberSyntax amount = syntax;
    amount.exponent = false;
    amount.nonFinite = false;
    const std::optional<std::string> number = NormaliseNumber(text, amount);
    if (!number)
        return std::nullopt;
    const std::string_view normal = *number;
    const std::size_t point = normal.find('.');
    std::string cents(normal.substr(0, point));
    std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : normal.substr(point + 1);
    if (fraction.size() > 2) {
        if (fraction.find_first_not_of('0', 2) != std::string_view::npos)
            return std::nullopt;
        fraction = fraction.substr(0, 2);
    }
    cents += fraction;
    cents.append(2 - fraction.size(), '0');
    return ParseInt32(cents, kCellInteger);
}

std::optional<double> ParseDouble(std::string_view text, const NumberSyntax& syntax) {
    const std::optional<std::string> number = NormaliseNumber(text, syntax);
    if (!number)
        return std::nullopt;
    return ReadFloating<double>(*number);
}

std::optional<float> ParseSingle(std::string_view text, const NumberSyntax& syntax) {
    const std::optional<std::string> number = NormaliseNumber(text, syntax);
    if (!number)
        return std::nullopt;
    const std::optional<long double> value = ReadFloating<long double>(*number);
    if (!value || std::fabs(*value) > static_cast<long double>(std::numeric_limits<float>::max()))
        return std::nullopt;
    return static_cast<float>(*value);
}

std::string NotANumberText(std::string_view text, NumberKind kind) {
    std::string_view expected;
    switch (kind) {
    case NumberKind::Whole:
        expected = "une valeur entière correcte";
        break;
    case NumberKind::Decimal:
        expected = "une valeur numérique correcte";
        break;
    case NumberKind::Amount:
        expected = "un montant correct";
        break;
    case NumberKind::Price:
        expected = "un prix correct";
        break;
    }
    return "'" + std::string(text) + "' n'est pas " + std::string(expected);
}

void RefuseNumber(std::string_view text, NumberKind kind) {
    throw ConversionError(NotANumberText(text, kind));
}

std::int32_t ReadWholeNumber(std::string_view text) {
    const std::optional<std::int32_t> value = ParseInt32(text, kCellInteger);
    if (!value)
        RefuseNumber(text, NumberKind::Whole);
    return *value;
}

bool ScanInt(std::string_view text, std::int32_t& target) {
    std::size_t i = SkipBlanks(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= text.size() || !IsDigit(text[i]))
        return false;
    // Read as the C library does, into a 64-bit long that saturates, then kept to 32 bits.
    // From 10^18 on, one more digit takes the value past every 64-bit long: it saturates.
    constexpr std::uint64_t kWidest = 1'000'000'000'000'000'000ULL;
    std::uint64_t magnitude = 0;
    bool saturated = false;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        if (magnitude >= kWidest)
            saturated = true;
        else
            magnitude = magnitude * 10 + static_cast<unsigned>(text[i] - '0');
    }
    std::int64_t value = 0;
    const std::uint64_t limit =
        negative ? static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + 1
                 : static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    if (saturated || magnitude > limit)
        value = negative ? std::numeric_limits<std::int64_t>::min()
                         : std::numeric_limits<std::int64_t>::max();
    else if (negative)
        value = static_cast<std::int64_t>(0 - magnitude);
    else
        value = static_cast<std::int64_t>(magnitude);
    target = Wrap32(value);
    return true;
}

bool ScanFloat(std::string_view text, float& target) {
    return ScanFloating(text, target);
}

bool ScanDouble(std::string_view text, double& target) {
    return ScanFloating(text, target);
}

std::string FormatInt(std::int64_t value) {
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, res.ptr);
}

std::string FormatFixed(double value, int decimals) {
    if (decimals < 0)
        decimals = 0;
    if (!std::isfinite(value)) {
        if (std::isnan(value))
            return std::signbit(value) ? "-nan" : "nan";
        return value < 0 ? "-inf" : "inf";
    }
    // Large enough for the widest double in fixed notation (309 digits) and its decimals.
    std::string buf(static_cast<std::size_t>(decimals) + 400, '\0');
    const auto res = std::to_chars(buf.data(), buf.data() + buf.size(), value,
                                   std::chars_format::fixed, decimals);
    buf.resize(static_cast<std::size_t>(res.ptr - buf.data()));
    return buf;
}

FormatSettings& FormatSettings::Current() {
    static FormatSettings settings;
    return settings;
}

std::string FormatNumber(double value, int decimals, int precision) {
    return FormatUser(value, decimals, precision, true);
}

std::string FormatFixedUser(double value, int decimals, int precision) {
    return FormatUser(value, decimals, precision, false);
}

std::string FormatMask(std::string_view mask, double value) {
    const auto point = mask.find('.');
    const int decimals =
        point != std::string_view::npos ? static_cast<int>(mask.size() - point - 1) : 0;
    const auto comma = mask.find(',');
    const bool grouped = comma != std::string_view::npos && comma < point;
    return FormatUser(value, decimals, 15, grouped);
}

} // namespace platform
