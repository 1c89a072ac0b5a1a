#pragma once

// The quote-site list "servers.lst" that comes with the program: one site a line, the line's
// first character the deepest request kind the site serves, the rest its name.

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
};

// Reads the quote-site list "servers.lst"; false when the file cannot be opened. Every line is
// a site, its number being the site's index, so a malformed line is kept (named as it reads,
// serving quotes only) rather than shifting the sites after it.
bool ReadQuoteSites(const std::string& path, std::vector<TQuoteSite>& sites);
