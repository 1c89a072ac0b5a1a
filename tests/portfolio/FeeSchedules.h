#pragma once

// Documents with given fee schedules, and trades for the settlement tests.

#include "portfolio/Cv.h"
#include "support/Builders.h"

#include <memory>
#include <string>
#include <vector>

namespace feetest {

using build::Bracket;

// Brackets in ascending threshold order, as the document keeps them.
struct Schedules {
    std::vector<TrancheFrais> srd = {};
    std::vector<TrancheFrais> frais1 = {};
    std::vector<TrancheFrais> frais2 = {};
};

inline std::unique_ptr<TCorv> MakeCorv(const Schedules& s) {
    auto corv = std::make_unique<TCorv>(std::string("."));
    const auto remplir = [](ListeTranches& liste, const std::vector<TrancheFrais>& tranches) {
        for (const TrancheFrais& t : tranches)
            liste.push_back(std::make_unique<TrancheFrais>(t));
    };
    remplir(corv->TranchesSRD, s.srd);
    remplir(corv->TranchesFrais1, s.frais1);
    remplir(corv->TranchesFrais2, s.frais2);
    return corv;
}

inline CalculFrais Request(std::int32_t quantite, std::int32_t cours, bool srd = false) {
    return CalculFrais{srd, quantite, cours, 0, 0, 0};
}

// Only the date and the two flags matter to the settlement tests.
inline const Operes* AddTrade(Valeurs& titre, double date, bool srd, bool pointe = true) {
    return build::AddTrade(titre, date, 'A', 0, 0, 0, {.srd = srd, .pointe = pointe});
}

} // namespace feetest
