#pragma once

// Helpers of the portfolio file's reader and writer: splitting a line into its "|" fields,
// and the one rule of what a text field can hold so that it reads back as it was written.

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
// bytes together; the reader refuses more and the writer refuses to save more, so a file that
// loads saves back with the same texts. Earlier files keep their lines to 511 characters of
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

    // One pass over the line: fields are short, and a search call per field costs more than
    // the bytes it looks at. Only the bounds of the fields found are written: a line has about
    // ten, and setting all kMax views for each line would cost more than the split itself. The
    // count is kept in a local: stored through this, every byte read would reload it.
    explicit Fields(std::string_view line) : line_(line) {
        const std::size_t taille = line.size();
        const char* const octets = line.data();
        std::size_t compte = 0;
        std::size_t debut = 0;
        for (std::size_t i = 0; i < taille; ++i) {
            if (octets[i] != '|')
                continue;
            bounds_[compte++] = {debut, i};
            debut = i + 1;
            if (compte == kMax) {
                count_ = compte;
                return;
            }
        }
        bounds_[compte++] = {debut, taille};
        count_ = compte;
    }

    std::size_t Count() const { return count_; }
    bool Has(std::size_t k) const { return k < count_; }
    std::string_view operator[](std::size_t k) const {
        if (k >= count_)
            return {};
        return {line_.data() + bounds_[k].debut, bounds_[k].fin - bounds_[k].debut};
    }
    // The field begins with c ("*" marks the end of the written fields).
    bool StartsWith(std::size_t k, char c) const {
        return k < count_ && bounds_[k].fin > bounds_[k].debut && line_[bounds_[k].debut] == c;
    }

private:
    struct Bounds {
        std::size_t debut;
        std::size_t fin;
    };
    std::string_view line_;
    std::array<Bounds, kMax> bounds_; // only the first count_ are set
    std::size_t count_ = 0;
};

// Why a text cannot be stored in one portfolio field as it is. A field ends at "|" and a line
// at its line end; the reader refuses CR and NUL in a text, and reads a line that is not UTF-8
// as Windows-1252, which would change every text of that line.
enum class TextFault { None, Separator, Encoding };

inline TextFault CheckText(std::string_view text) {
    bool ascii = true;
    for (const char c : text) {
        if (c == '|' || c == '\r' || c == '\n' || c == '\0')
            return TextFault::Separator;
        if (static_cast<unsigned char>(c) >= 0x80)
            ascii = false;
    }
    if (!ascii && platform::ToUtf8(text) != text)
        return TextFault::Encoding;
    return TextFault::None;
}

// The fault as the end of a French sentence that names the text.
inline const char* TextFaultReason(TextFault fault) {
    switch (fault) {
    case TextFault::Separator:
        return "contient un caractère que le fichier du portefeuille ne peut pas garder "
               "(« | », retour à la ligne ou caractère nul)";
    case TextFault::Encoding:
        return "contient des octets qui ne forment pas un texte lisible";
    case TextFault::None:
        break;
    }
    return "";
}

// How a dialog shows a character that ends a field or a line (CR, LF, NUL), so that it can be
// seen and mended: as its control picture ("␍", "␊", "␀"); nothing for any other character.
inline std::string_view VisibleChar(char c) {
    switch (c) {
    case '\r':
        return "\u240D";
    case '\n':
        return "\u240A";
    case '\0':
        return "\u2400";
    default:
        return {};
    }
}

inline std::string VisibleText(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (const char c : text) {
        const std::string_view picture = VisibleChar(c);
        if (picture.empty())
            shown += c;
        else
            shown += picture;
    }
    return shown;
}

// The first character of a text that the file cannot keep, as the security dialog shows it:
// "|" as it is, a line break or a NUL as its picture, bytes that are not UTF-8 as "\uFFFD".
inline std::string ShownFault(std::string_view text) {
    for (const char c : text) {
        if (c == '|')
            return "|";
        if (const std::string_view picture = VisibleChar(c); !picture.empty())
            return std::string(picture);
    }
    return "\uFFFD";
}

// A text as a message names it: between French quotes, its first 40 characters when it is
// longer, line breaks and NUL shown as the security dialog shows them rather than breaking
// the message.
inline std::string QuoteText(std::string_view text) {
    constexpr std::size_t kShown = 40;
    std::string shown;
    std::size_t characters = 0;
    std::size_t i = 0;
    for (; i < text.size() && characters < kShown; ++i) {
        const char c = text[i];
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++characters;
        if (const std::string_view picture = VisibleChar(c); !picture.empty())
            shown += picture;
        else
            shown += c;
    }
    while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
        shown += text[i++];
    if (i < text.size())
        shown += "\u2026";
    return "« " + platform::ToUtf8(shown) + " »";
}

// A text as the alarm log stores it in one field: "|" becomes "/", line breaks and NUL
// become spaces (the log is a journal for reading, not a record read back).
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
