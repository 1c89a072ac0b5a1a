#include "portfolio/QuoteSites.h"

#include "platform/TextFile.h"

#include <algorithm>
#include <utility>

namespace {

// The most characters of a line of the site list, its end excluded.
constexpr std::size_t kSiteLineMax = 253;

// The bytes of the line's first character, which is the depth: the reader gives UTF-8, and
// a name cut inside a character would be no text.
std::size_t LongueurPremier(const std::string& ligne) {
    const auto tete = static_cast<unsigned char>(ligne[0]);
    const std::size_t longueur = tete < 0xC0 ? 1 : tete < 0xE0 ? 2 : tete < 0xF0 ? 3 : 4;
    return std::min(longueur, ligne.size());
}

} // namespace

bool ReadQuoteSites(const std::string& path, std::vector<TQuoteSite>& sites) {
    sites.clear();
    platform::LineReader lecteur(path, kSiteLineMax);
    if (!lecteur.IsOpen())
        return false;
    std::string ligne;
    std::size_t nommes = 0; // sites up to the last line that is not blank
    while (sites.size() < kQuoteSitesMax) {
        const platform::LineReader::Status etat = lecteur.Read(ligne);
        if (etat == platform::LineReader::Status::End)
            break;
        TQuoteSite site;
        const bool blanche = etat == platform::LineReader::Status::Line &&
                             ligne.find_first_not_of(" \t") == std::string::npos;
        if (etat == platform::LineReader::Status::Line && !ligne.empty()) {
            const bool chiffre = ligne[0] >= '0' && ligne[0] <= '9';
            if (chiffre)
                site.Type = static_cast<std::int8_t>(ligne[0] - '0');
            site.Nom = ligne.substr(LongueurPremier(ligne));
            site.Valide = chiffre && site.Nom.find_first_not_of(" \t") != std::string::npos;
        }
        sites.push_back(std::move(site));
        if (!blanche)
            nommes = sites.size();
    }
    // Blank lines at the end of the file name no site.
    sites.resize(nommes);
    return true;
}
