#include "quotescan/Search.h"

#include "platform/Checked.h"
#include "platform/DateText.h"
#include "platform/Numbers.h"

#include <cmath>
#include <limits>
#include <string>

namespace quotescan {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsAsciiCapital(char c) {
    return c >= 'A' && c <= 'Z';
}

// Pages and markers are compared byte for byte; only ASCII letters change case, so the
// outcome never depends on the C locale.
std::string ChangeCase(std::string_view marker) {
    std::string result(marker);
    const bool toLower = !marker.empty() && IsAsciiCapital(marker.front());
    for (char& c : result) {
        if (toLower && IsAsciiCapital(c))
            c = static_cast<char>(c - 'A' + 'a');
        else if (!toLower && c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return result;
}

// The digits of a page number, gathered so that no length of text can overflow: once the
// magnitude is far beyond 32 bits it stops growing, and the value saturates at the bounds of
// the field it fills. A number that wrapped instead would come out small or negative, a
// price or volume that looks real.
class PageNumber {
public:
    explicit PageNumber(bool negative) : negative_(negative) {}

    void AddDigit(char digit) {
        if (magnitude_ < kCap)
            magnitude_ = magnitude_ * 10 + (digit - '0');
    }
    // The number times 10^decimals plus fraction (fraction < 10^decimals), saturated to 32 bits.
    std::int32_t Scaled(int decimals, std::int64_t fraction) const {
        std::int64_t value = magnitude_;
        for (int i = 0; i < decimals; ++i)
            value *= 10;
        value += fraction;
        return platform::Saturate32(negative_ ? -value : value);
    }

private:
    // Past every int32, and far enough from the int64 limit for the scaling above.
    static constexpr std::int64_t kCap = std::int64_t{1} << 40;
    bool negative_;
    std::int64_t magnitude_ = 0;
};

} // namespace

CSearch::CSearch(char* page) : Courant(page != nullptr && *page != '\0' ? page : nullptr) {}

char* CSearch::FindFrom(char* from, std::string_view marker) {
    if (from == nullptr || marker.empty() || marker.find('\0') != std::string_view::npos)
        return nullptr;
    Seen* seen = nullptr;
    for (Seen& entry : seen_)
        if (entry.marker == marker)
            seen = &entry;
    if (seen != nullptr && from >= seen->from && (seen->found == nullptr || from <= seen->found))
        return seen->found;
    char* found = nullptr;
    // A NUL of the page never equals a marker character, so the comparison stops at the end.
    for (char* p = from; *p != '\0' && found == nullptr; ++p) {
        std::size_t i = 0;
        while (i < marker.size() && p[i] == marker[i])
            ++i;
        if (i == marker.size())
            found = p;
    }
    if (seen == nullptr)
        seen = &seen_.emplace_back(Seen{std::string(marker), from, found});
    else
        *seen = Seen{std::string(marker), from, found};
    return found;
}

bool CSearch::Find(std::string_view marker, int n, bool exact) {
    if (Exhausted())
        return false;
    for (int pass = 0; pass < n && !Exhausted(); ++pass) {
        Marque = Courant;
        Courant = FindFrom(Marque, marker);
        if (Courant == nullptr && !exact)
            Courant = FindFrom(Marque, ChangeCase(marker));
        if (Courant != nullptr) {
            // The occurrence lies wholly before the page's end, so this stays inside the page.
            Courant += marker.size();
            if (*Courant == '\0')
                Courant = nullptr;
        }
    }
    return !Exhausted();
}

void CSearch::Skip(int n) {
    for (int i = 0; i < n && !Exhausted(); ++i) {
        ++Courant;
        if (*Courant == '\0')
            Courant = nullptr;
    }
}

bool CSearch::CopyUntil(char* dest, std::size_t size, char stop) {
    std::size_t length = 0;
    bool whole = true;
    while (!Exhausted() && *Courant != stop) {
        if (length + 1 < size)
            dest[length++] = *Courant;
        else
            whole = false;
        Skip(1);
    }
    if (size > 0)
        dest[length] = '\0';
    return whole;
}

template <typename Pred> void CSearch::SkipUntil(Pred pred) {
    while (!Exhausted() && !pred(*Courant))
        Skip(1);
}

template <typename Pred> void CSearch::SkipWhile(Pred pred) {
    while (!Exhausted() && pred(*Courant))
        Skip(1);
}

bool CSearch::CloseValue() {
    if (Exhausted())
        return false;
    *Courant = '\0';
    Skip(1);
    return true;
}

template <typename Convert>
bool CSearch::ReadDayText(char separator, Convert convert, double* out) {
    Marque = Courant;
    SkipUntil(IsDigit);
    Marque = Courant;
    SkipWhile([separator](char c) { return IsDigit(c) || c == separator; });
    if (!CloseValue())
        return false;
    *out = convert(Marque);
    return true;
}

bool CSearch::ReadDate(double* out) {
    return ReadDayText(
        '/', [](const char* text) { return platform::StrToDate(text); }, out);
}

bool CSearch::ReadTime(double* out) {
    return ReadDayText(
        ':', [](const char* text) { return platform::StrToTime(text); }, out);
}

bool CSearch::StartSignedValue() {
    Marque = Courant;
    SkipUntil([](char c) { return IsDigit(c) || c == '+' || c == '-'; });
    if (Exhausted())
        return false;
    Marque = Courant;
    if (!IsDigit(*Courant))
        Skip(1);
    return true;
}

bool CSearch::ReadFloat(float* out) {
    if (!StartSignedValue())
        return false;
    while (!Exhausted()) {
        if (*Courant == ',' || *Courant == '.')
            *Courant = '.';
        else if (!IsDigit(*Courant))
            break;
        Skip(1);
    }
    if (!CloseValue())
        return false;
    float value = 0; // a lone sign reads as 0
    platform::ScanFloat(Marque, value);
    // Too many digits for a float read as infinity: it saturates like the integers.
    if (std::isinf(value))
        value = std::copysign(std::numeric_limits<float>::max(), value);
    *out = value;
    return true;
}

bool CSearch::ReadInt(std::int32_t* out) {
    if (!StartSignedValue())
        return false;
    SkipWhile(IsDigit);
    if (!CloseValue())
        return false;
    // The value is an optional sign and digits; a lone sign reads as 0.
    PageNumber number(*Marque == '-');
    for (const char* p = IsDigit(*Marque) ? Marque : Marque + 1; IsDigit(*p); ++p)
        number.AddDigit(*p);
    *out = number.Scaled(0, 0);
    return true;
}

bool CSearch::ReadCents(std::int32_t* out) {
    Marque = Courant;
    SkipUntil([](char c) { return IsDigit(c) || c == '+' || c == '-' || c == '.'; });
    if (Exhausted())
        return false;
    Marque = Courant;
    bool inDecimals = *Courant == '.';
    PageNumber whole(*Courant == '-');
    if (!IsDigit(*Courant))
        Skip(1);
    std::int64_t fraction = 0;
    int decimalsLeft = 2;
    while (!Exhausted() && decimalsLeft > 0) {
        const char c = *Courant;
        if (c == '.' || c == ',') {
            *Courant = '\0';
            inDecimals = true;
        } else if (IsDigit(c)) {
            if (inDecimals) {
                fraction = fraction * 10 + (c - '0');
                --decimalsLeft;
            } else {
                whole.AddDigit(c);
            }
        } else {
            break;
        }
        Skip(1);
    }
    if (!CloseValue())
        return false;
    if (decimalsLeft == 1)
        fraction *= 10;
    *out = whole.Scaled(2, fraction);
    return true;
}

} // namespace quotescan
