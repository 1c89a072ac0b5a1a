// Every column of the repartition list: its caption, how it shows its figure, whether it
// turns red below zero, and the text it gives for one security whose position is worked out
// by hand.

#include "views/ColonnesRep.h"

#include "platform/DateTime.h"
#include "portfolio/Cv.h"
#include "support/Builders.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

struct ColumnCase {
    int id;
    const char* name; // test name
    const char* libelle;
    char affichage;
    bool rouge;
    const char* texte; // for the security below, in euros
};

// Quote 15,00; fees 10,00 a trade (the sale of what is held costs them too).
// Bought 100 at 10,00 with 15,00 of fees; sold 40 at 13,00 with 8,00 of fees, both settled.
//   average purchase price 10,00 gross, 10,15 net; 60 held cost 600,00 gross and 60 × 10,15
//   in single precision (just below 609,00, truncated) net; valued 900,00 gross, 890,00 net;
//   realised gain 40 × 3,00 = 120,00 gross, 120,00 - 8,00 - 40 × 0,15 = 106,00 net;
//   latent gain 300,00 gross, and 890,00 - 60 × 10,15 = 281,00 net (from the average
//   price, not from the truncated cost); purchases 1 000,00 gross,
//   1 015,00 net; sales 520,00 gross, 512,00 net; cash effect 512,00 - 1 015,00 = -503,00,
//   nothing waits for the next settlement.
const ColumnCase kColumns[] = {
    {1, "NbAchat", "Nb. Achats", 'I', false, "100"},
    {2, "NbVentes", "Nb. Ventes", 'I', false, "40"},
    {3, "NbInPort", "Qte en Port.", 'I', false, "60"},
    {4, "PxMoyAchBrut", "Px Moy. Ach. Brut", 'L', false, "10,00"},
    {5, "PxMoyAchNet", "Px Moy. Ach. Net", 'F', false, "10,15"},
    {6, "CoutBrut", "Coût Total Brut", 'L', false, "600,00"},
    {7, "CoutNet", "Coût Total Net", 'L', false, "608,99"},
    {8, "TotFrais", "Mnt Tot. Frais", 'L', false, "23,00"},
    {9, "ValorBrut", "Valorisation Brut", 'L', false, "900,00"},
    {10, "ValorNet", "Valorisation Net", 'L', false, "890,00"},
    {11, "PlValBrut", "+Val. Réal. Brut", 'L', true, "120,00"},
    {12, "PlValNet", "+Val. Réal. Net", 'L', true, "106,00"},
    {13, "PlValLatBrut", "+Val. Lat. Brut", 'L', true, "300,00"},
    {14, "PlValLatNet", "+Val. Lat. Net", 'L', true, "281,00"},
    {15, "ARealBrut", "Tot. Achats Brut", 'L', false, "1\u00a0000,00"},
    {16, "ARealNet", "Tot. Achats Net", 'L', false, "1\u00a0015,00"},
    {17, "VRealBrut", "Tot. Ventes Brut", 'L', false, "520,00"},
    {18, "VRealNet", "Tot. Ventes Net", 'L', false, "512,00"},
    {19, "RealNetRM", "Pos. Liquidation", 'L', true, "0,00"},
    {20, "RealNetTOT", "Pos. Actuelle", 'L', true, "-503,00"},
    {21, "Libelle", "Libellé", 'l', false, "Alpha"},
    {22, "PlValLatNetSRD", "+V.Lat.Net.SRD", 'L', true, "281,00"},
};

void PrintTo(const ColumnCase& c, std::ostream* out) {
    *out << c.id << " " << c.name;
}

class RepartitionColumn : public ::testing::TestWithParam<ColumnCase> {
protected:
    void SetUp() override {
        platform::Clock::SetFixed(platform::EncodeDate(2024, 6, 14) + 0.5);
        doc.DateLiqP = platform::EncodeDate(2024, 5, 28);
        doc.DateLiqC = platform::EncodeDate(2024, 6, 25);
        build::AddBracket(doc.TranchesFrais1, 0, 0.0f, 1000);
        titre = build::AddSecurity(doc, "12000", "Alpha", {.cours = 1500});
        build::AddTrade(titre, platform::EncodeDate(2024, 3, 1), 'A', 100, 1000, 1500);
        build::AddTrade(titre, platform::EncodeDate(2024, 4, 2), 'V', 40, 1300, 800);
        build::Recompute(doc);
    }
    void TearDown() override { platform::Clock::Reset(); }

    TCorv doc{"/tmp/corvane-repartition-tests"};
    Valeurs* titre = nullptr;
};

TEST_P(RepartitionColumn, CaptionDisplayAndRedMark) {
    const ColumnCase& c = GetParam();
    const ColonneRep* colonne = ColonneRepById(c.id);
    ASSERT_NE(colonne, nullptr);
    EXPECT_STREQ(colonne->Libelle, c.libelle);
    EXPECT_EQ(colonne->Affichage(), c.affichage);
    EXPECT_EQ(colonne->RougeSiNegatif(), c.rouge);
}

TEST_P(RepartitionColumn, ShowsItsFigureOfTheSecurity) {
    const ColumnCase& c = GetParam();
    const ColonneRep* colonne = ColonneRepById(c.id);
    ASSERT_NE(colonne, nullptr);
    EXPECT_EQ(ColonneRepText(*colonne, *titre, 1.0f), c.texte);
}

INSTANTIATE_TEST_SUITE_P(EveryId, RepartitionColumn, ::testing::ValuesIn(kColumns),
                         [](const ::testing::TestParamInfo<ColumnCase>& info) {
                             return std::to_string(info.param.id) + "_" + info.param.name;
                         });

TEST(RepartitionColumns, TheTableHoldsOneCaseForEachId) {
    ASSERT_EQ(std::size(kColumns), kNbColonnesRep);
    for (std::size_t i = 0; i < std::size(kColumns); ++i)
        EXPECT_EQ(kColumns[i].id, static_cast<int>(i) + 1);
}

} // namespace
