// The text-file line reader that every file of the program goes through, on arbitrary
// files. The first byte sets the longest line allowed; the rest is the file. The reader must
// give exactly the lines the file holds: split at LF, one CR before the LF dropped, a line
// over the limit reported as too long and skipped whole, the byte order mark of the first
// line dropped, and every line it returns in valid UTF-8 (the bytes themselves when they
// are UTF-8 already).

#include "fuzz/FuzzSupport.h"

#include "platform/TextFile.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

using platform::LineReader;

struct Expected {
    LineReader::Status status = LineReader::Status::Line;
    std::string bytes; // before the conversion to UTF-8
};

// The lines of the file as the reader's rule states them, written out separately.
std::vector<Expected> Split(std::string_view text, std::size_t maxLength) {
    std::vector<Expected> lines;
    bool first = true;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        Expected e;
        if (line.size() > maxLength) {
            e.status = LineReader::Status::TooLong;
        } else {
            if (first && line.substr(0, 3) == "\xEF\xBB\xBF")
                line.remove_prefix(3);
            e.bytes = line;
        }
        first = false;
        lines.push_back(std::move(e));
    }
    return lines;
}

// Strict UTF-8, decoded here rather than trusted to the code under test: no overlong form,
// no surrogate, nothing above U+10FFFF.
bool IsUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const std::size_t length = c < 0x80       ? 1
                                   : c >> 5 == 6  ? 2
                                   : c >> 4 == 14 ? 3
                                   : c >> 3 == 30 ? 4
                                                  : 0;
        if (length == 0 || i + length > text.size())
            return false;
        char32_t cp = length == 1 ? c : c & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if (next >> 6 != 2)
                return false;
            cp = (cp << 6) | (next & 0x3F);
        }
        const char32_t least[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < least[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

// Each byte below 0x80 stands alone in UTF-8, whatever the line was converted from.
bool SameAscii(std::string_view original, std::string_view converted) {
    std::string a;
    std::string b;
    for (const char c : original)
        if (static_cast<unsigned char>(c) < 0x80)
            a += c;
    for (const char c : converted)
        if (static_cast<unsigned char>(c) < 0x80)
            b += c;
    return a == b;
}

struct Setup {
    fuzzsupport::Folder folder;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Setup setup;
    if (size < 1)
        return 0;
    const std::size_t maxLength = data[0];
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string path = setup.folder.File("lines.txt");
    fuzzsupport::WriteAll(path, text);

    const std::vector<Expected> expected = Split(text, maxLength);
    LineReader reader(path, maxLength);
    fuzzsupport::Check(reader.IsOpen(), "an existing file does not open");
    std::string line;
    for (const Expected& e : expected) {
        const LineReader::Status status = reader.Read(line);
        fuzzsupport::Check(status == e.status, "a line is read with the wrong status");
        if (status == LineReader::Status::TooLong) {
            fuzzsupport::Check(line.empty(), "a line too long is returned");
            continue;
        }
        fuzzsupport::Check(IsUtf8(line), "a line read is not valid UTF-8");
        fuzzsupport::Check(SameAscii(e.bytes, line), "a line's plain characters changed");
        if (IsUtf8(e.bytes))
            fuzzsupport::Check(line == e.bytes, "a UTF-8 line is not returned as it is");
    }
    fuzzsupport::Check(reader.Read(line) == LineReader::Status::End, "a line past the last");
    fuzzsupport::Check(reader.Read(line) == LineReader::Status::End, "reading goes on after End");
    fuzzsupport::Check(!reader.Failed(), "reading a plain file fails");
    return 0;
}
