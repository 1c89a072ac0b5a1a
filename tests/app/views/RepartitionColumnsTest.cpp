// Every column of the repartition list: its caption, whether it turns red below zero, and the
// text it gives for one security whose position is worked out by hand (which also pins how
// each column shows its figure).

#include "views/ColonnesRep.h"

#include "platform/DateTime.h"
#include "portfolio/Cv.h"
#include "support/Builders.h"

#include <gtest/gtest.h>

#include <ostream>
#include <set>
#include <string>

namespace {

struct ColumnCase {
    int id;
    const char* name; // test name
    const char* libelle;
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
    {1, "NbAchat", "Nb. Achats", false, "100"},
    {2, "NbVentes", "Nb. Ventes", false, "40"},
    {3, "NbInPort", "Qte en Port.", false, "60"},
    {4, "PxMoyAchBrut", "Px Moy. Ach. Brut", false, "10,00"},
    {5, "PxMoyAchNet", "Px Moy. Ach. Net", false, "10,15"},
    {6, "CoutBrut", "Coût Total Brut", false, "600,00"},
    {7, "CoutNet", "Coût Total Net", false, "608,99"},
    {8, "TotFrais", "Mnt Tot. Frais", false, "23,00"},
    {9, "ValorBrut", "Valorisation Brut", false, "900,00"},
    {10, "ValorNet", "Valorisation Net", false, "890,00"},
    {11, "PlValBrut", "+Val. Réal. Brut", true, "120,00"},
    {12, "PlValNet", "+Val. Réal. Net", true, "106,00"},
    {13, "PlValLatBrut", "+Val. Lat. Brut", true, "300,00"},
    {14, "PlValLatNet", "+Val. Lat. Net", true, "281,00"},
    {15, "ARealBrut", "Tot. Achats Brut", false, "1\u00a0000,00"},
    {16, "ARealNet", "Tot. Achats Net", false, "1\u00a0015,00"},
    {17, "VRealBrut", "Tot. Ventes Brut", false, "520,00"},
    {18, "VRealNet", "Tot. Ventes Net", false, "512,00"},
    {19, "RealNetRM", "Pos. Liquidation", true, "0,00"},
    {20, "RealNetTOT", "Pos. Actuelle", true, "-503,00"},
    {21, "Libelle", "Libellé", false, "Alpha"},
    {22, "PlValLatNetSRD", "+V.Lat.Net.SRD", true, "281,00"},
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

TEST_P(RepartitionColumn, CaptionRedMarkAndFigureOfTheSecurity) {
    const ColumnCase& c = GetParam();
    const ColonneRep* colonne = ColonneRepById(c.id);
    ASSERT_NE(colonne, nullptr);
    EXPECT_STREQ(colonne->Libelle, c.libelle);
    EXPECT_EQ(colonne->RougeSiNegatif(), c.rouge);
    EXPECT_EQ(ColonneRepText(*colonne, *titre, 1.0f), c.texte);
}

INSTANTIATE_TEST_SUITE_P(EveryId, RepartitionColumn, ::testing::ValuesIn(kColumns),
                         [](const ::testing::TestParamInfo<ColumnCase>& info) {
                             return std::to_string(info.param.id) + "_" + info.param.name;
                         });

TEST(RepartitionColumns, OneCaseForEachIdAndEveryCaptionItsOwn) {
    ASSERT_EQ(std::size(kColumns), kNbColonnesRep);
    std::set<std::string> libelles;
    for (std::size_t i = 0; i < std::size(kColumns); ++i) {
        EXPECT_EQ(kColumns[i].id, static_cast<int>(i) + 1);
        libelles.insert(kColumns[i].libelle);
    }
    EXPECT_EQ(libelles.size(), kNbColonnesRep) << "17 and 18 included";
    EXPECT_EQ(ColonneRepById(0), nullptr);
    EXPECT_EQ(ColonneRepById(23), nullptr);
}

} // namespace
