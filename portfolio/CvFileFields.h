#pragma once

// Helpers of the portfolio file's reader and writer: splitting a line into its "|" fields,
// and keeping written texts readable (no separator, no line break, no over-long line).

#include "platform/TextFile.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace cvfile {

// The longest line of the alarm log, line end excluded. Its viewer refuses lines above 511
// characters; staying below leaves room for a CRLF line end.
inline constexpr std::size_t kMaxWrittenLine = 509;
// Codes in the alarm log.
inline constexpr std::size_t kMaxCode = 128;

// The texts of one portfolio line (code, labels, alarm title, comment) hold at most this many
// bytes together; the reader refuses more and the writer shortens more, so a file that loads
// saves back with the same texts. Earlier files keep their lines to 511 characters of
// Windows-1252, where a character takes up to three bytes once in UTF-8: any texts of such a
// line fit.
inline constexpr std::size_t kMaxLineTexts = 3 * 511;
// The widest part of a portfolio line that is not text, as the writer formats it: the C line,
// its kind, 26 separators and the closing "*", 16 integers of up to 11 characters ("-2147483648"),
// a date of up to 11 ("DD/MM/YYYYY", the furthest day a date holds), a time of 8, the variation of
// up to 43 ("%.2f" of the largest float, sign included) and two flags.
inline constexpr std::size_t kMaxLineFields = 1 + 26 + 1 + 16 * 11 + 11 + 8 + 43 + 2;
// The longest portfolio line, line end excluded: every line the writer produces fits, and the
// reader refuses longer ones. The reader's limit must not be lowered below this.
inline constexpr std::size_t kMaxLine = kMaxLineTexts + kMaxLineFields;

// Field 0 is the text before the first "|" (its first character is the line's kind); field
// k is the text after the k-th "|", up to the next one or the line end. Fields past the
// kMax-th are not kept: no line kind needs them.
class Fields {
public:
    static constexpr std::size_t kMax = 32;

    explicit Fields(std::string_view line) {
        std::size_t debut = 0;
        while (count_ < kMax) {
            const std::size_t fin = line.find('|', debut);
            if (fin == std::string_view::npos) {
                fields_[count_++] = line.substr(debut);
                break;
            }
            fields_[count_++] = line.substr(debut, fin - debut);
            debut = fin + 1;
        }
    }

    std::size_t Count() const { return count_; }
    bool Has(std::size_t k) const { return k < count_; }
    std::string_view operator[](std::size_t k) const {
        return k < count_ ? fields_[k] : std::string_view{};
    }
    // The field begins with c ("*" marks the end of the written fields).
    bool StartsWith(std::size_t k, char c) const {
        return k < count_ && !fields_[k].empty() && fields_[k].front() == c;
    }

private:
    std::array<std::string_view, kMax> fields_{};
    std::size_t count_ = 0;
};

// A text as it can be stored in one field: "|" becomes "/", line breaks and NUL become
// spaces.
inline std::string CleanText(std::string_view text) {
    std::string clean(text);
    for (char& c : clean) {
        if (c == '|')
            c = '/';
        else if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    }
    return clean;
}

// Shortens a UTF-8 text to at most max bytes without splitting a character.
inline void CutUtf8(std::string& text, std::size_t max) {
    if (text.size() <= max)
        return;
    std::size_t n = max;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
    text.resize(n);
}

// Trade and movement directions are single bytes: anything that would not read back as the
// same lone ASCII character is written as "?".
inline char CleanChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (!platform::IsPrintableAscii(u) || c == '|')
        return '?';
    return c;
}

} // namespace cvfile
