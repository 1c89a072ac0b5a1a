// The market-list reader (.bdx) of the market picker on arbitrary files. Every security it
// gives comes from a line of its own: a code without leading zeros, no ";", line break or NUL
// in any part. The list written back line by line, as the program's lists are made, reads
// again into the very same securities, so that reading a list loses nothing it shows.

#include "fuzz/FuzzSupport.h"

#include "views/MarketList.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The longest line a market list may hold, its line feed excluded.
constexpr std::size_t kLineMax = 510;

std::size_t LineCount(std::string_view text) {
    std::size_t lines = 0;
    for (char c : text)
        lines += c == '\n' ? 1 : 0;
    return lines + (text.empty() || text.back() == '\n' ? 0 : 1);
}

bool Same(const LigneBourse& a, const LigneBourse& b) {
    return a.Code == b.Code && a.Libelle == b.Libelle && a.Activite == b.Activite;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzzsupport::Folder folder;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string path = folder.File("input.bdx");
    fuzzsupport::WriteAll(path, text);

    const auto read = ReadMarketList(path);
    fuzzsupport::Check(read.has_value(), "an existing market list does not open");
    fuzzsupport::Check(read->size() <= LineCount(text), "more securities than lines");

    std::string written;
    std::vector<LigneBourse> kept; // those whose line fits the list's limit once written
    for (const LigneBourse& l : *read) {
        fuzzsupport::Check(!l.Code.startsWith('0'), "a code keeps a leading zero");
        for (const QString* part : {&l.Code, &l.Libelle, &l.Activite})
            fuzzsupport::Check(!part->contains(';') && !part->contains('\n') &&
                                   !part->contains('\r') && !part->contains(QChar(0)),
                               "a part of a security holds a separator, a line break or a NUL");
        const std::string line = (l.Code + ';' + l.Libelle + ';' + l.Activite + ';').toStdString();
        if (line.size() > kLineMax)
            continue;
        written += line + '\n';
        kept.push_back(l);
    }

    const std::string copy = folder.File("copy.bdx");
    fuzzsupport::WriteAll(copy, written);
    const auto reread = ReadMarketList(copy);
    fuzzsupport::Check(reread.has_value() && reread->size() == kept.size(),
                       "a written list does not read back as many securities");
    for (std::size_t i = 0; i < kept.size(); ++i)
        fuzzsupport::Check(Same((*reread)[i], kept[i]), "a security changes through its list");
    return 0;
}
