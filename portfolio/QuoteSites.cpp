#include "portfolio/QuoteSites.h"

#include "platform/TextFile.h"

#include <utility>

namespace {

// The options dialog keeps the depths of this many sites.
constexpr std::size_t kSitesMax = 23;
// The most characters of a line of the site list, its end excluded.
constexpr std::size_t kSiteLineMax = 253;

} // namespace

bool ReadQuoteSites(const std::string& path, std::vector<TQuoteSite>& sites) {
    sites.clear();
    platform::LineReader lecteur(path, kSiteLineMax);
    if (!lecteur.IsOpen())
        return false;
    std::string ligne;
    std::size_t nommes = 0; // sites up to the last line that is not blank
    while (sites.size() < kSitesMax) {
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
            site.Nom = ligne.substr(1);
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
