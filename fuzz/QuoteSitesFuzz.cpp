// The quote-site list reader (servers.lst) of the options dialog on arbitrary files. A site
// is kept for every line, up to the dialog's number of sites, so that a site's index is its
// line's; every depth is a digit's. The sites written back
// as a list read again into the very same sites.

#include "fuzz/FuzzSupport.h"

#include "portfolio/QuoteSites.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The most characters of a line of the site list, its end excluded.
constexpr std::size_t kLineMax = 253;

std::size_t LineCount(std::string_view text) {
    std::size_t lines = 0;
    for (char c : text)
        lines += c == '\n' ? 1 : 0;
    return lines + (text.empty() || text.back() == '\n' ? 0 : 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzzsupport::Folder folder;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string path = folder.File("servers.lst");
    fuzzsupport::WriteAll(path, text);

    // Whatever stood in the list before is replaced.
    std::vector<TQuoteSite> sites(3, TQuoteSite{"ancien", 2});
    fuzzsupport::Check(ReadQuoteSites(path, sites), "an existing site list does not open");
    fuzzsupport::Check(sites.size() <= kQuoteSitesMax, "more sites than the dialog keeps");
    fuzzsupport::Check(sites.size() <= LineCount(text), "more sites than lines");
    std::string written;
    std::vector<TQuoteSite> expected;
    for (const TQuoteSite& site : sites) {
        fuzzsupport::Check(site.Type >= 0 && site.Type <= 9, "a depth that no digit gives");
        fuzzsupport::Check(site.Nom.find('\n') == std::string::npos, "a name holds a line break");
        std::string line = static_cast<char>('0' + site.Type) + site.Nom;
        // A line the reader would not take whole comes back as a nameless site.
        const bool fits = line.size() <= kLineMax && line.find('\r') == std::string::npos;
        expected.push_back(fits ? site : TQuoteSite{});
        written += (fits ? line : std::string("0")) + '\n';
    }

    const std::string copy = folder.File("copy.lst");
    fuzzsupport::WriteAll(copy, written);
    std::vector<TQuoteSite> reread;
    fuzzsupport::Check(ReadQuoteSites(copy, reread), "a written site list does not open");
    fuzzsupport::Check(reread.size() == expected.size(), "a written list has other sites");
    for (std::size_t i = 0; i < expected.size(); ++i)
        fuzzsupport::Check(reread[i].Nom == expected[i].Nom && reread[i].Type == expected[i].Type,
                           "a site changes through its list");
    return 0;
}
