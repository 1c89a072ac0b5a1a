#pragma once

// A document built by hand for the position tests: today is fixed, the previous settlement
// was on 28/05/2024, and trades are appended in date order.

#include "portfolio/Cv.h"

#include "platform/DateTime.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

namespace positions_test {

inline double Day(int year, int month, int day) {
    return platform::EncodeDate(year, month, day);
}

class PositionsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        platform::Clock::SetFixed(Day(2024, 6, 14) + 0.625);
        doc.DateLiqP = Day(2024, 5, 28);
        doc.DateLiqC = Day(2024, 6, 25);
    }
    void TearDown() override { platform::Clock::Reset(); }

    Valeurs* AddSecurity(const std::string& code, std::int32_t cours = 0, bool srd = false) {
        Valeurs model;
        model.Code = code;
        model.Libelle = "Titre " + code;
        model.SRD = srd;
        model.Infos.Cours = cours;
        return doc.AddTitre(model);
    }

    static Operes* AddTrade(Valeurs* titre, double date, char sens, std::int32_t quantite,
                            std::int32_t cours, std::int32_t frais, bool srd = false,
                            bool pointe = false) {
        auto op = std::make_unique<Operes>();
        op->Date = date;
        op->Sens = sens;
        op->Quantite = quantite;
        op->Cours = cours;
        op->Frais1 = frais;
        op->Frais = frais;
        op->SRD = srd;
        op->Pointe = pointe;
        Operes* result = op.get();
        titre->Operes.push_back(std::move(op));
        return result;
    }

    // A schedule row that charges a flat amount (no VAT) on any trade of at least 0 cents.
    static void AddFlatFee(ListeTranches& schedule, std::int32_t montant) {
        auto row = std::make_unique<TrancheFrais>();
        row->Seuil = 0;
        row->Frais = 0.0f;
        row->MntMin = montant;
        row->Tva = 0.0f;
        schedule.push_back(std::move(row));
    }

    void Compute(Valeurs* titre) {
        doc.SortOperes(titre);
        doc.ComputeTitre(titre);
    }

    TCorv doc{"/tmp/corvane-positions-tests"};
};

} // namespace positions_test
