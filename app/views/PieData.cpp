#include "views/PieData.h"

#include "portfolio/Cv.h"

#include <algorithm>

std::vector<PartCamembert> PartsCashTitres(std::int32_t cash, std::int32_t titres) {
    std::vector<PartCamembert> parts;
    // A position worth nothing as a whole has no shares, whatever its two figures.
    if (static_cast<std::int64_t>(cash) + titres == 0)
        return parts;
    const std::int64_t positifs =
        static_cast<std::int64_t>(std::max(cash, 0)) + std::max(titres, 0);
    if (positifs == 0)
        return parts;
    const auto part = [&](const char* libelle, std::int32_t valeur) {
        if (valeur > 0)
            parts.push_back({libelle, static_cast<float>(static_cast<double>(valeur) /
                                                         static_cast<double>(positifs))});
    };
    part("Cash", cash);
    part("Titres", titres);
    return parts;
}

const std::string& CleRepart(const Valeurs& titre, std::uint8_t groupe) {
    if ((groupe & kRepartBourse) != 0)
        return titre.NomBourse;
    if ((groupe & kRepartActivite) != 0)
        return titre.Activite;
    return titre.Code;
}

int CompareRepart(const Valeurs& a, const Valeurs& b, std::uint8_t groupe) {
    const int r = CleRepart(a, groupe).compare(CleRepart(b, groupe));
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

void SortTitresRepart(std::vector<std::unique_ptr<Valeurs>>& titres, std::uint8_t groupe) {
    // Key strings compare as a strict weak ordering, which stable_sort needs.
    std::stable_sort(
        titres.begin(), titres.end(),
        [groupe](const std::unique_ptr<Valeurs>& a, const std::unique_ptr<Valeurs>& b) {
            return CompareRepart(*a, *b, groupe) < 0;
        });
}

std::vector<PartCamembert> PartsRepartition(const std::vector<std::unique_ptr<Valeurs>>& titres,
                                            std::uint8_t groupe, int base) {
    struct Groupe {
        std::string Cle;
        std::int64_t Somme;
    };
    std::vector<Groupe> groupes;
    if (titres.empty() || (base != kBaseValorisation && base != kBaseCout))
        return {};

    // The first security's key opens the first group, held or not.
    std::string cle = CleRepart(*titres.front(), groupe);
    std::int64_t somme = 0;
    const auto ferme = [&] {
        if (somme > 0)
            groupes.push_back({cle, somme});
    };
    for (const auto& titre : titres) {
        if (titre->Bilan.NbInPort == 0)
            continue;
        const std::string& sienne = CleRepart(*titre, groupe);
        if (sienne != cle) {
            ferme();
            somme = 0;
            cle = sienne;
        }
        somme += base == kBaseValorisation ? titre->Bilan.ValorBrut : titre->Bilan.CoutBrut;
    }
    ferme();

    std::int64_t total = 0;
    for (const Groupe& g : groupes)
        total += g.Somme;
    std::vector<PartCamembert> parts;
    for (const Groupe& g : groupes)
        parts.push_back(
            {g.Cle, static_cast<float>(static_cast<double>(g.Somme) / static_cast<double>(total))});
    return parts;
}

std::vector<PartCamembert> RegroupePetitesParts(std::vector<PartCamembert> parts, float seuil) {
    const auto petite = [seuil](const PartCamembert& p) { return p.Valeur < seuil; };
    if (std::count_if(parts.begin(), parts.end(), petite) < 2)
        return parts;
    float autre = 0.0f;
    for (const PartCamembert& p : parts) {
        if (petite(p))
            autre += p.Valeur;
    }
    parts.erase(std::remove_if(parts.begin(), parts.end(), petite), parts.end());
    parts.push_back({"Autre", autre});
    return parts;
}
