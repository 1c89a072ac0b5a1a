#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quotescan {

// A forward-only cursor over a downloaded page. It never parses HTML: parsers find a marker a
// number of times and read whatever number, date or time comes next. The page belongs to the
// caller and is written into while values are read (a NUL closes each value, a decimal comma
// becomes a point), which is why it is lent as a writable buffer.
//
// The page ends at its first NUL. Every move goes through Skip or Find, which never step onto
// that NUL: reaching it exhausts the cursor, and an exhausted cursor fails every later search
// and read, so a parser stops at the first marker or value it cannot find.
class CSearch {
public:
    explicit CSearch(char* page);

    // Moves past the n-th occurrence of marker. Unless exact, each pass that misses retries with
    // the marker's case changed (a capital first letter gives all lower case, anything else all
    // capitals), so successive occurrences may differ in case.
    bool Find(std::string_view marker, int n, bool exact);
    void Skip(int n);
    // Copies up to the stop character (or the page's end) into dest, always NUL-terminated
    // within size. Characters beyond the destination are passed over, the cursor still stops on
    // the stop character, and the answer is false so the caller can tell a cut text.
    bool CopyUntil(char* dest, std::size_t size, char stop);

    bool ReadDate(double* out); // throws platform::ConversionError for a text that is no date
    bool ReadTime(double* out); // throws platform::ConversionError for a text that is no time
    // A number too long for its output saturates at the output's bounds (the largest finite
    // float for ReadFloat) rather than wrapping.
    bool ReadFloat(float* out);
    bool ReadInt(std::int32_t* out);
    bool ReadCents(std::int32_t* out); // at most two decimals; a third digit is consumed

    bool Exhausted() const { return Courant == nullptr; }

    char* Courant = nullptr; // null once exhausted; otherwise never on the page's end
    char* Marque = nullptr;  // start of the current search pass or of the value being read

private:
    template <typename Pred> void SkipUntil(Pred pred);
    template <typename Pred> void SkipWhile(Pred pred);
    // Ends the value in the page and steps past it; false when the page ended first.
    bool CloseValue();
    // A date or a time: digits and their separator, converted by convert (which throws for a
    // text that is no date or time).
    template <typename Convert> bool ReadDayText(char separator, Convert convert, double* out);
    // Moves to the next digit or sign, notes it in Marque and steps over a sign; false when
    // the page ends first.
    bool StartSignedValue();
    char* FindFrom(char* from, std::string_view marker);

    // Where a marker was last looked for and what was found. The page changes only behind the
    // cursor, and searches start at the cursor, so an answer stays true for any later start
    // up to the occurrence found: a marker missing in one case (and found in the other) is not
    // looked for again over the rest of the page at every record.
    struct Seen {
        std::string marker;
        char* from;
        char* found; // null: nowhere from `from` to the page's end
    };
    std::vector<Seen> seen_;
};

} // namespace quotescan
