#pragma once

// The quote-site list "servers.lst" of the data folder: one site a line, a digit (the deepest
// request kind the site serves) then its name. A site's number is its line's index.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The options dialog keeps the depths of this many sites.
constexpr std::size_t kQuoteSitesMax = 23;

// One line of the quote-site list: the site's name and the deepest request kind it serves.
struct TQuoteSite {
    std::string Nom;
    std::int8_t Type = 0;
    bool Valide = false; // a digit then a name: a site the user may choose
};

// Reads the quote-site list; false when the file cannot be opened. Every line is a site, its
// number being the site's index, so a blank or malformed line is kept (named as it reads,
// serving quotes only, not Valide) rather than shifting the sites after it. At most
// kQuoteSitesMax sites are read, and blank lines at the end name none. A name is what follows
// the line's whole first character, however many bytes that takes.
bool ReadQuoteSites(const std::string& path, std::vector<TQuoteSite>& sites);
