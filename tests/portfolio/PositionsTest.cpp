// The replay of a security's trades into its position block, and the valuation of what is
// held.

#include "PositionsFixture.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

namespace {

using build::AddTrade;
using positions_test::Day;
using Positions = positions_test::PositionsFixture;

TEST_F(Positions, BuyThenSaleGivesTheAveragesGainsAndValuations) {
    Valeurs* t = AddSecurity("12000", 1200);
    AddFlatFee(doc.TranchesFrais1, 1000);
    Operes* achat = AddTrade(t, Day(2024, 3, 1), 'A', 100, 1000, 1500);
    Compute(t);

    const BilanTitre& b = t->Bilan;
    EXPECT_EQ(b.NbAchat, 100);
    EXPECT_EQ(b.PxMoyAchBrut, 1000);
    EXPECT_FLOAT_EQ(b.PxMoyAchNet, 10.15f);
    EXPECT_EQ(b.ARealNet, 101500);
    EXPECT_EQ(b.RealNetTOT, -101500);
    EXPECT_EQ(b.NbInPort, 100);
    EXPECT_EQ(b.ValorBrut, 120000);
    EXPECT_EQ(b.ValorNet, 119000);
    EXPECT_EQ(b.ValorBrutAct, 120000);
    EXPECT_EQ(b.ValorNetAct, 119000);
    EXPECT_EQ(b.PlValLatBrut, 20000);
    EXPECT_EQ(b.PlValLatNet, 17500);
    EXPECT_EQ(b.PlValLatNetSRD, 17500);
    EXPECT_EQ(b.CoutBrut, 100000);
    // 10.15 held in single precision lies just below, and the cost is truncated.
    EXPECT_EQ(b.CoutNet, 101499);

    Operes* vente = AddTrade(t, Day(2024, 4, 2), 'V', 40, 1300, 800);
    Compute(t);
    EXPECT_EQ(vente->PlValBrut, 12000);
    EXPECT_EQ(vente->PlValNet, 10600);
    EXPECT_EQ(vente->PxMoyAchBrut, 1000);
    EXPECT_FLOAT_EQ(vente->PxMoyAchNet, 10.15f);
    EXPECT_EQ(vente->PxMoyVenBrut, 1300);
    EXPECT_EQ(vente->PxMoyVenNet, 1280);
    EXPECT_EQ(achat->PxMoyAchBrut, 1000);
    EXPECT_EQ(achat->PlValBrut, 0);
    EXPECT_EQ(b.PxMoyAchBrut, 1000);
    EXPECT_EQ(b.NbInPort, 60);
    EXPECT_EQ(b.NbVentes, 40);
    EXPECT_EQ(b.PlValBrut, 12000);
    EXPECT_EQ(b.PlValNet, 10600);
    EXPECT_EQ(b.VRealNet, 51200);
    EXPECT_EQ(b.RealNetTOT, -50300);
    EXPECT_EQ(b.TotFrais, 2300);
    EXPECT_EQ(b.ValorBrut, 72000);
}

TEST_F(Positions, SaleBeyondTheHoldingOpensAShortThatALaterBuyCovers) {
    Valeurs* t = AddSecurity("2", 1100);
    AddTrade(t, Day(2024, 1, 10), 'A', 100, 1000, 2500);
    Operes* vente = AddTrade(t, Day(2024, 2, 10), 'V', 150, 1200, 1500);
    Compute(t);

    // The 100 held close with their share of the fees; the 50 sold short carry the rest.
    EXPECT_EQ(vente->PlValBrut, 20000);
    EXPECT_EQ(vente->PlValNet, 16500);
    EXPECT_EQ(t->Bilan.NbInPort, -50);
    EXPECT_EQ(t->Bilan.PxMoyVenBrut, 1200);
    EXPECT_EQ(t->Bilan.PxMoyVenNet, 1190);
    // A short position is not valued.
    EXPECT_EQ(t->Bilan.ValorBrut, 0);
    EXPECT_EQ(t->Bilan.CoutBrut, 0);
    EXPECT_EQ(t->Bilan.PlValLatBrut, 0);
    EXPECT_EQ(t->Bilan.ValorBrutAct, 0);

    Operes* rachat = AddTrade(t, Day(2024, 3, 10), 'A', 80, 1100, 800);
    Compute(t);
    EXPECT_EQ(rachat->PlValBrut, 5000);
    EXPECT_EQ(rachat->PlValNet, 4000);
    EXPECT_EQ(rachat->PxMoyVenBrut, 1200);
    EXPECT_EQ(t->Bilan.NbInPort, 30);
    EXPECT_EQ(t->Bilan.PxMoyAchBrut, 1100);
    EXPECT_FLOAT_EQ(t->Bilan.PxMoyAchNet, 11.10f);
    EXPECT_EQ(t->Bilan.PlValBrut, 25000);
    EXPECT_EQ(t->Bilan.PlValNet, 20500);
    EXPECT_EQ(t->Bilan.ValorBrut, 33000);
}

TEST_F(Positions, BuyThatExactlyCoversAShortClearsThePurchaseAverages) {
    Valeurs* t = AddSecurity("3", 900);
    AddTrade(t, Day(2024, 1, 10), 'A', 10, 2000, 0);
    AddTrade(t, Day(2024, 1, 11), 'V', 60, 1000, 0);
    Compute(t);
    ASSERT_EQ(t->Bilan.PxMoyAchBrut, 2000);
    ASSERT_EQ(t->Bilan.NbInPort, -50);

    Operes* rachat = AddTrade(t, Day(2024, 1, 12), 'A', 50, 900, 100);
    Compute(t);
    EXPECT_EQ(t->Bilan.NbInPort, 0);
    EXPECT_EQ(t->Bilan.PxMoyAchBrut, 0);
    EXPECT_EQ(t->Bilan.PxMoyAchNet, 0.0f);
    EXPECT_EQ(rachat->PlValBrut, 5000);
    EXPECT_EQ(rachat->PlValNet, 4900);
}

TEST_F(Positions, PendingTradesCountAtTheComingSettlementOnly) {
    Valeurs* t = AddSecurity("4", 1200, true);
    AddFlatFee(doc.TranchesFrais1, 1000);
    AddTrade(t, Day(2024, 3, 1), 'A', 100, 1000, 1500, {.srd = true});
    AddTrade(t, Day(2024, 6, 3), 'A', 10, 1000, 50, {.srd = true});
    Compute(t);

    const BilanTitre& b = t->Bilan;
    EXPECT_EQ(b.AchRMBrut, 10000);
    EXPECT_EQ(b.AchRMNet, 10050);
    EXPECT_EQ(b.RealNetRM, -10050);
    EXPECT_EQ(b.NbInPort, 110);
    EXPECT_EQ(b.RealNetTOT, -101500);
    EXPECT_EQ(b.ValorBrut, 132000);
    EXPECT_EQ(b.ValorNet, 131000);
    EXPECT_EQ(b.ValorBrutAct, 120000);
    EXPECT_EQ(b.ValorNetAct, 119000);

    Operes* vente = AddTrade(t, Day(2024, 6, 5), 'V', 20, 1300, 100, {.srd = true});
    Compute(t);
    EXPECT_EQ(b.VenRMBrut, 26000);
    EXPECT_EQ(b.VenRMNet, 25900);
    EXPECT_EQ(b.RealNetRM, -10050 + 25900);
    EXPECT_EQ(b.ValorBrutAct, 120000);

    // Without its deferred flag a recent trade is a cash trade, settled at once.
    vente->SRD = false;
    Compute(t);
    EXPECT_EQ(b.VenRMBrut, 0);
    EXPECT_EQ(b.RealNetTOT, -101500 + 25900);
    EXPECT_EQ(b.ValorBrutAct, 80 * 1200);
}

TEST_F(Positions, UpToDateAndLeftOutTradeKeepTheirFieldsUntouched) {
    Valeurs* t = AddSecurity("5", 1000);
    Operes* achat = AddTrade(t, Day(2024, 3, 1), 'A', 100, 1000, 0);
    Operes* vente = AddTrade(t, Day(2024, 4, 2), 'V', 40, 1300, 0);
    vente->PlValBrut = 777;

    doc.ComputeTitre(t, Day(2024, 3, 1));
    EXPECT_EQ(t->Bilan.NbInPort, 100);
    EXPECT_EQ(vente->PlValBrut, 777);

    achat->PxMoyAchBrut = 4242;
    doc.ComputeTitre(t, std::nullopt, achat);
    EXPECT_EQ(t->Bilan.NbInPort, -40);
    EXPECT_EQ(t->Bilan.PxMoyVenBrut, 1300);
    EXPECT_EQ(achat->PxMoyAchBrut, 4242);
    EXPECT_EQ(vente->PlValBrut, 0);
}

TEST_F(Positions, PositionGivenOnACopyWritesNeitherTheBlockNorTheTrades) {
    Valeurs* t = AddSecurity("5", 1000);
    AddFlatFee(doc.TranchesFrais1, 500);
    Operes* achat = AddTrade(t, Day(2024, 3, 1), 'A', 100, 1000, 300);
    AddTrade(t, Day(2024, 4, 2), 'V', 150, 1300, 700);
    AddTrade(t, Day(2024, 5, 3), 'A', 20, 1100, 90);
    Compute(t);
    const BilanTitre bilan = t->Bilan;
    std::vector<Operes> operes;
    for (const auto& op : t->Operes)
        operes.push_back(*op);

    // Each date and left-out trade: the copy is the block that the replay writes, and asking
    // for it changes nothing of the security.
    const std::optional<double> dates[] = {std::nullopt, Day(2024, 3, 1), Day(2024, 4, 2)};
    for (const Operes* exclue :
         {static_cast<const Operes*>(nullptr), static_cast<const Operes*>(achat)}) {
        for (const auto& date : dates) {
            const BilanTitre copie = doc.ComputeBilan(*t, date, exclue);
            EXPECT_EQ(t->Bilan, bilan);
            for (std::size_t i = 0; i < operes.size(); ++i)
                EXPECT_EQ(*t->Operes[i], operes[i]) << i;
            doc.ComputeTitre(t, date, exclue);
            EXPECT_EQ(copie, t->Bilan);
            Compute(t);
        }
    }
}

TEST_F(Positions, OneTradeOnABlockGivesExactGainsAndTheFieldsTheirWrappedForm) {
    // Long 10 at 2 000 000 000 cents: selling them at a cent loses more than 32 bits hold.
    BilanTitre b;
    b.NbInPort = 10;
    b.PxMoyAchBrut = 2'000'000'000;
    b.PxMoyAchNet = 20'000'000.0f;
    const GainsOpere vente = ReplayOpere(b, 'V', 10, 1, 0);
    EXPECT_EQ(vente.Brut, (1 - 2'000'000'000LL) * 10);
    EXPECT_EQ(vente.ChampBrut, static_cast<std::int32_t>(vente.Brut + 5 * 4294967296LL));
    EXPECT_EQ(vente.Net, vente.Brut);
    EXPECT_EQ(vente.ChampNet, std::numeric_limits<std::int32_t>::min()); // floating: stops
    EXPECT_EQ(b.PxMoyAchBrut, 2'000'000'000); // a sale keeps the purchase averages
    EXPECT_EQ(b.PxMoyVenBrut, 1);
    EXPECT_EQ(b.NbInPort, 10); // the quantities are the caller's

    // Short 30 sold at 20,00 (19,90 net): a buy of 50 at 15,00 with 1,00 of fees covers 30,
    // bearing 30/50 of the fees, and leaves 20 held at its own price.
    BilanTitre court;
    court.NbInPort = -30;
    court.PxMoyVenBrut = 2000;
    court.PxMoyVenNet = 1990;
    court.PxMoyAchBrut = 777; // left from an earlier long position
    const GainsOpere rachat = ReplayOpere(court, 'A', 50, 1500, 100);
    EXPECT_EQ(rachat.Brut, 500 * 30);
    EXPECT_EQ(rachat.Net, (1990 - 1500 - 60 / 30) * 30);
    EXPECT_EQ(rachat.ChampNet, rachat.Net);
    EXPECT_EQ(court.PxMoyAchBrut, 1500);
    EXPECT_FLOAT_EQ(court.PxMoyAchNet, 15.02f);
}

TEST_F(Positions, CarriedOverBlockStartsTheReplay) {
    Valeurs* t = AddSecurity("6", 1200, true);
    AddFlatFee(doc.TranchesFrais1, 1000);
    AddFlatFee(doc.TranchesSRD, 300);
    BilanTitre& p = t->BilanPurge;
    p.NbAchat = 50;
    p.NbInPort = 50;
    p.ARealBrut = 50000;
    p.ARealNet = 50750;
    p.PxMoyAchBrut = 1000;
    p.PxMoyAchNet = 10.15f;
    AddTrade(t, Day(2024, 3, 1), 'A', 50, 1000, 750);
    Compute(t);

    EXPECT_EQ(t->Bilan.NbInPort, 100);
    EXPECT_EQ(t->Bilan.RealNetTOT, -101500);
    EXPECT_EQ(t->Bilan.ValorBrutAct, 120000);
    EXPECT_EQ(t->Bilan.PlValLatNet, 17500);
    // A deferred sale also pays the deferred schedule.
    EXPECT_EQ(t->Bilan.PlValLatNetSRD, 17200);
}

TEST_F(Positions, AmountsBeyond32BitsAreFormedWideAndWrapWhenStored) {
    Valeurs* t = AddSecurity("7", 100000);
    AddTrade(t, Day(2024, 3, 1), 'A', 100000, 100000, 0);
    Operes* vente = AddTrade(t, Day(2024, 3, 2), 'V', 50000, 100001, 0);
    Compute(t);

    const std::int32_t wrapped = static_cast<std::int32_t>(10'000'000'000LL - 2 * 4294967296LL);
    EXPECT_EQ(t->Bilan.ARealBrut, wrapped);
    EXPECT_EQ(t->Bilan.PxMoyAchBrut, 100000);
    EXPECT_FLOAT_EQ(t->Bilan.PxMoyAchNet, 1000.0f);
    EXPECT_EQ(vente->PlValBrut, 50000);
    EXPECT_EQ(vente->PlValNet, 50000);
    EXPECT_EQ(vente->PxMoyVenNet, 100001);
    EXPECT_EQ(t->Bilan.NbInPort, 50000);
    EXPECT_EQ(t->Bilan.ValorBrut, static_cast<std::int32_t>(5'000'000'000LL - 4294967296LL));
    EXPECT_EQ(t->Bilan.PlValLatBrut, 0);
    // A floating figure out of range saturates rather than wrapping.
    EXPECT_EQ(t->Bilan.CoutNet, std::numeric_limits<std::int32_t>::max());
}

TEST_F(Positions, TradeOfNoSharesCountsAsFeesOnly) {
    Valeurs* t = AddSecurity("8", 1200);
    Operes* rien = AddTrade(t, Day(2024, 2, 1), 'V', 0, 1300, 250);
    Compute(t);
    EXPECT_EQ(t->Bilan.NbInPort, 0);
    EXPECT_EQ(t->Bilan.PxMoyVenBrut, 0);
    EXPECT_EQ(rien->PlValNet, 0);

    AddTrade(t, Day(2024, 3, 1), 'A', 100, 1000, 1500);
    Operes* venteVide = AddTrade(t, Day(2024, 3, 2), 'V', 0, 1300, 300);
    Operes* achatVide = AddTrade(t, Day(2024, 3, 3), 'A', 0, 900, 200);
    Compute(t);

    const BilanTitre& b = t->Bilan;
    EXPECT_EQ(b.NbInPort, 100);
    EXPECT_EQ(b.TotFrais, 2250);
    EXPECT_EQ(b.PxMoyAchBrut, 1000);
    EXPECT_FLOAT_EQ(b.PxMoyAchNet, 10.15f);
    EXPECT_EQ(b.PxMoyVenBrut, 0);
    EXPECT_EQ(b.ARealNet, 101700);
    EXPECT_EQ(b.VRealNet, -550);
    EXPECT_EQ(b.RealNetTOT, -102250);
    EXPECT_EQ(venteVide->PlValBrut, 0);
    EXPECT_EQ(venteVide->PlValNet, 0);
    EXPECT_EQ(achatVide->PxMoyAchBrut, 1000);
    EXPECT_EQ(b.PlValNet, 0);
}

} // namespace
