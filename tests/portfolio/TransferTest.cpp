// Purge of settled ticked trades, stock splits, removal of securities and the transfer of
// closed positions with the booking of their results.

#include "PositionsFixture.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using build::AddTrade;
using positions_test::Day;
using Restructure = positions_test::PositionsFixture;

std::vector<std::string> Codes(const TCorv& doc) {
    std::vector<std::string> codes;
    for (const auto& t : doc.Titres)
        codes.push_back(t->Code);
    return codes;
}

TEST_F(Restructure, PurgeOfEveryTradeKeepsThePosition) {
    Valeurs* t = AddSecurity("1", 1200);
    AddFlatFee(doc.TranchesFrais1, 1000);
    AddTrade(t, Day(2024, 3, 1), 'A', 100, 1000, 1500, {.pointe = true});
    AddTrade(t, Day(2024, 4, 2), 'V', 40, 1300, 800, {.pointe = true});
    AddTrade(t, Day(2024, 4, 9), 'A', 20, 1100, 300, {.pointe = true});
    Compute(t);
    const BilanTitre avant = t->Bilan;

    EXPECT_EQ(doc.Purge(), "");
    EXPECT_TRUE(t->Operes.empty());
    EXPECT_TRUE(doc.Modifie);
    const BilanTitre& p = t->BilanPurge;
    EXPECT_EQ(p.NbAchat, 120);
    EXPECT_EQ(p.NbVentes, 40);
    EXPECT_EQ(p.NbInPort, 80);
    EXPECT_EQ(p.TotFrais, 2600);
    // Means over everything purged, fees of the sale included.
    EXPECT_EQ(p.PxMoyAchBrut, 1016);
    EXPECT_FLOAT_EQ(p.PxMoyAchNet, 10.376667f);
    EXPECT_EQ(p.PlValBrut, 12000);
    EXPECT_EQ(p.PlValNet, 10600);
    EXPECT_EQ(p.ARealNet, 123800);
    EXPECT_EQ(p.VRealNet, 51200);
    // The computed block is left as it was until the next computation.
    EXPECT_EQ(t->Bilan.PxMoyAchBrut, avant.PxMoyAchBrut);

    Compute(t);
    EXPECT_EQ(t->Bilan.NbInPort, avant.NbInPort);
    EXPECT_EQ(t->Bilan.RealNetTOT, avant.RealNetTOT);
    EXPECT_EQ(t->Bilan.ValorNet, avant.ValorNet);
    EXPECT_EQ(t->Bilan.ValorNetAct, avant.ValorNetAct);
}

TEST_F(Restructure, PurgeLeavesUntickedAndPendingTrades) {
    Valeurs* t = AddSecurity("1", 1000, true);
    AddTrade(t, Day(2024, 3, 1), 'A', 10, 1000, 0, {.pointe = true});
    Operes* nonPointe = AddTrade(t, Day(2024, 3, 2), 'A', 5, 1000, 0);
    Operes* enAttente =
        AddTrade(t, Day(2024, 6, 3), 'A', 7, 1000, 0, {.srd = true, .pointe = true});
    EXPECT_EQ(doc.Purge(), "");
    ASSERT_EQ(t->Operes.size(), 2u);
    EXPECT_EQ(t->Operes[0].get(), nonPointe);
    EXPECT_EQ(t->Operes[1].get(), enAttente);
    EXPECT_EQ(t->BilanPurge.NbInPort, 10);

    doc.Modifie = false;
    EXPECT_EQ(doc.Purge(), "");
    EXPECT_EQ(t->Operes.size(), 2u);
    EXPECT_TRUE(doc.Modifie);
}

TEST_F(Restructure, SplitChangesOnlyTradesUpToTheDate) {
    Valeurs* t = AddSecurity("1");
    Operes* avant = AddTrade(t, Day(2024, 3, 1), 'A', 10, 1001, 120);
    Operes* jour = AddTrade(t, Day(2024, 3, 5), 'V', 4, 1500, 80);
    Operes* apres = AddTrade(t, Day(2024, 3, 6), 'A', 3, 700, 50);
    t->BilanPurge.NbInPort = 9;
    doc.Modifie = false;

    EXPECT_TRUE(doc.ApplyDivision(t, 2, Day(2024, 3, 5)));
    EXPECT_EQ(avant->Cours, 500);
    EXPECT_EQ(avant->Quantite, 20);
    EXPECT_EQ(avant->Frais, 120);
    EXPECT_EQ(jour->Cours, 750);
    EXPECT_EQ(jour->Quantite, 8);
    EXPECT_EQ(apres->Cours, 700);
    EXPECT_EQ(apres->Quantite, 3);
    EXPECT_EQ(t->BilanPurge.NbInPort, 9);
    EXPECT_FALSE(doc.Modifie);

    // A ratio below 1, or one that takes a quantity past 32 bits, is refused and changes
    // nothing, not even the trades that would fit.
    EXPECT_FALSE(doc.ApplyDivision(t, 0, Day(2024, 3, 5)));
    EXPECT_FALSE(doc.ApplyDivision(t, -3, Day(2024, 3, 5)));
    jour->Quantite = 1000000000;
    EXPECT_FALSE(doc.ApplyDivision(t, 3, Day(2024, 3, 5)));
    EXPECT_EQ(avant->Cours, 500);
    EXPECT_EQ(avant->Quantite, 20);
    EXPECT_EQ(jour->Cours, 750);
    EXPECT_EQ(jour->Quantite, 1000000000);
    // A trade after the date does not count.
    apres->Quantite = 2000000000;
    EXPECT_TRUE(doc.ApplyDivision(t, 2, Day(2024, 3, 5)));
    EXPECT_EQ(jour->Quantite, 2000000000);
    EXPECT_EQ(apres->Quantite, 2000000000);
}

// Every change that would take a security's quantities or sums past the document's 32-bit
// fields is refused whole, naming the security; a change that fits goes through. Two buys of
// 1 000 000 shares at 15,00 € each fit one by one, not together.
TEST_F(Restructure, ChangesBeyondThirtyTwoBitCentsAreRefusedNamingTheSecurity) {
    const auto achat = [](std::int32_t quantite, std::int32_t cours) {
        Operes op;
        op.Date = Day(2024, 3, 1);
        op.Sens = 'A';
        op.Quantite = quantite;
        op.Cours = cours;
        return op;
    };
    // prepare brings the security where the change fails; change is tried twice.
    struct Cas {
        const char* nom;
        std::function<void(Valeurs&)> prepare;
        std::function<Refus(TCorv&, Valeurs&)> change;
    };
    Operes* vise = nullptr;
    const std::vector<Cas> cas = {
        {"second buy", [](Valeurs&) {},
         [&](TCorv& d, Valeurs& t) { return d.AddOpere(&t, achat(1000000, 1500)); }},
        {"buy changed to a larger one",
         [&](Valeurs& t) { vise = AddTrade(t, Day(2024, 3, 2), 'A', 1, 1500); },
         [&](TCorv& d, Valeurs& t) { return d.ReplaceOpere(&t, vise, achat(1000000, 1500)); }},
        {"sale deleted under a high quote",
         [&](Valeurs& t) {
             t.Infos.Cours = 2000;
             vise = AddTrade(t, Day(2024, 3, 2), 'V', 1000000, 1500);
             AddTrade(t, Day(2024, 3, 3), 'A', 1000000, 100);
         },
         [&](TCorv& d, Valeurs& t) { return d.DeleteOpere(&t, vise); }},
        {"price typed for the security", [](Valeurs&) {},
         [](TCorv& d, Valeurs& t) {
             FicheTitre fiche = FicheTitre::De(t);
             fiche.Cours = 3000;
             return d.ReplaceTitre(&t, fiche, t.Infos.Cours);
         }},
        {"split under a quote dated after it, which it leaves",
         [](Valeurs& t) { t.Infos.Date = Day(2024, 3, 4); },
         [](TCorv& d, Valeurs& t) { return d.DiviseTitre(&t, 2, Day(2024, 3, 1)); }},
        {"purge of a file's two ticked buys",
         [](Valeurs& t) {
             t.Operes[0]->Pointe = true;
             AddTrade(t, Day(2024, 3, 2), 'A', 1000000, 1500, 0, {.pointe = true});
         },
         [](TCorv& d, Valeurs&) { return d.Purge(); }},
        {"purge into a full carried-over block",
         [](Valeurs& t) {
             t.BilanPurge.NbAchat = 1000000;
             t.BilanPurge.NbInPort = 1000000;
             t.BilanPurge.ARealBrut = 1500000000;
             t.BilanPurge.ARealNet = 1500000000;
             t.Operes[0]->Pointe = true;
         },
         [](TCorv& d, Valeurs&) { return d.Purge(); }},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        TCorv d("/tmp/corvane-positions-tests");
        d.DateLiqP = doc.DateLiqP;
        d.DateLiqC = doc.DateLiqC;
        Valeurs* t = build::AddSecurity(d, "12027", "Société Générale", {.cours = 1500});
        EXPECT_EQ(d.AddOpere(t, achat(1000000, 1500)), "");
        c.prepare(*t);
        d.Modifie = false;
        const std::unique_ptr<Valeurs> avant = CopyTitre(*t);
        for (int essai = 0; essai < 2; ++essai) {
            const Refus refus = c.change(d, *t);
            EXPECT_NE(refus.Texte().find("« Société Générale » (12027)"), std::string::npos)
                << refus;
        }
        // Nothing was changed, nor marked as changed.
        EXPECT_FALSE(d.Modifie);
        ASSERT_EQ(t->Operes.size(), avant->Operes.size());
        for (std::size_t i = 0; i < t->Operes.size(); ++i)
            EXPECT_EQ(*t->Operes[i], *avant->Operes[i]);
        EXPECT_EQ(t->BilanPurge, avant->BilanPurge);
        EXPECT_EQ(t->Infos.Cours, avant->Infos.Cours);
    }

    // Within the cents, the same operations go through.
    Valeurs* t = AddSecurity("1", 1500);
    EXPECT_EQ(doc.AddOpere(t, achat(300000, 1500)), "");
    EXPECT_EQ(doc.AddOpere(t, achat(300000, 1500)), "");
    EXPECT_EQ(doc.DiviseTitre(t, 2, Day(2024, 3, 1)), "");
    t->Operes[0]->Pointe = true;
    EXPECT_EQ(doc.Purge(), "");
    EXPECT_EQ(t->BilanPurge.NbAchat, 600000);
    EXPECT_TRUE(doc.Modifie);
    // A split is judged as it leaves the security: 10 000 shares quoted 100,00 € split 22 for
    // 1 are 220 000 shares quoted 4,54 €.
    Valeurs* divise = AddSecurity("2", 10000);
    EXPECT_EQ(doc.AddOpere(divise, achat(10000, 10000)), "");
    EXPECT_EQ(doc.DiviseTitre(divise, 22, Day(2024, 3, 1)), "");
    EXPECT_EQ(divise->Operes[0]->Quantite, 220000);
    EXPECT_EQ(divise->Infos.Cours, 454);
    EXPECT_EQ(divise->Bilan.ValorBrut, 99880000);
}

// A security already beyond the cents (so read from a file, or so quoted) takes every change
// that takes no sum of it beyond; what would bring one more sum beyond is still refused. A purge
// looks only at the securities it purges.
TEST_F(Restructure, ASecurityAlreadyBeyondTheCentsRefusesOnlyWhatTakesANewSumBeyond) {
    struct Cas {
        const char* nom;
        std::function<Refus(TCorv&, Valeurs&)> change;
        bool accepte;
    };
    const auto vente = [](std::int32_t quantite) {
        Operes op;
        op.Date = Day(2024, 3, 4);
        op.Sens = 'V';
        op.Quantite = quantite;
        op.Cours = 3000;
        return op;
    };
    const auto fiche = [](const Valeurs& t, std::int32_t cours, bool srd) {
        FicheTitre f = FicheTitre::De(t);
        f.Cours = cours;
        f.SRD = srd;
        return f;
    };
    const std::vector<Cas> cas = {
        {"sale of one share", [&](TCorv& d, Valeurs& t) { return d.AddOpere(&t, vente(1)); }, true},
        {"trade moved by a day",
         [](TCorv& d, Valeurs& t) {
             Operes deplace = *t.Operes[0];
             deplace.Date += 1;
             return d.ReplaceOpere(&t, t.Operes[0].get(), deplace);
         },
         true},
        {"lower typed price",
         [&](TCorv& d, Valeurs& t) { return d.ReplaceTitre(&t, fiche(t, 2500, false), 3000); },
         true},
        {"settlement market",
         [&](TCorv& d, Valeurs& t) { return d.ReplaceTitre(&t, fiche(t, 3000, true), 3000); },
         true},
        {"purge of another security", [](TCorv& d, Valeurs&) { return d.Purge(); }, true},
        {"transfer",
         [](TCorv& d, Valeurs&) {
             TransfertEnCours transfert(d);
             Refus refus = transfert.Restructure(false, false, "");
             transfert.Garder();
             return refus;
         },
         true},
        {"second buy of a million, which would bring the purchases to 30 000 000,00 €",
         [&](TCorv& d, Valeurs& t) {
             Operes achat = vente(1000000);
             achat.Sens = 'A';
             achat.Cours = 1500;
             return d.AddOpere(&t, achat);
         },
         false},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        TCorv d("/tmp/corvane-positions-tests");
        d.DateLiqP = doc.DateLiqP;
        d.DateLiqC = doc.DateLiqC;
        // 1 000 000 shares bought at 15,00 €, quoted 30,00 €: worth 30 000 000,00 €.
        Valeurs* t = build::AddSecurity(d, "12027", "Société Générale", {.cours = 3000});
        AddTrade(t, Day(2024, 3, 1), 'A', 1000000, 1500);
        Valeurs* autre = build::AddSecurity(d, "13000", "Autre", {.cours = 1000});
        AddTrade(autre, Day(2024, 3, 1), 'A', 10, 1000, 0, {.pointe = true});
        build::Recompute(d);
        d.Modifie = false;

        const std::string refus = c.change(d, *t).Texte();
        if (c.accepte) {
            EXPECT_EQ(refus, "");
            EXPECT_TRUE(d.Modifie);
        } else {
            EXPECT_NE(refus.find("« Société Générale » (12027)"), std::string::npos) << refus;
            EXPECT_FALSE(d.Modifie);
            EXPECT_EQ(t->Operes.size(), 1u);
        }
    }
}

class Transfer : public positions_test::PositionsFixture {
protected:
    // Closed with a gain, closed with a loss, closed even, held, and closed but with a
    // ticked sale still pending. The labels keep them in the order GAIN, GARDE, NUL, PERTE,
    // SRD.
    void SetUp() override {
        PositionsFixture::SetUp();
        Valeurs* gain = AddSecurity("GAIN", 1200);
        AddTrade(gain, Day(2024, 3, 1), 'A', 10, 1000, 100);
        AddTrade(gain, Day(2024, 3, 8), 'V', 10, 1200, 100);
        Valeurs* perte = AddSecurity("PERTE", 900);
        AddTrade(perte, Day(2024, 3, 1), 'A', 10, 1000, 0);
        AddTrade(perte, Day(2024, 3, 8), 'V', 10, 900, 0);
        Valeurs* nul = AddSecurity("NUL", 1000);
        AddTrade(nul, Day(2024, 3, 1), 'A', 10, 1000, 0);
        AddTrade(nul, Day(2024, 3, 8), 'V', 10, 1000, 0);
        AddTrade(AddSecurity("GARDE", 1000), Day(2024, 3, 1), 'A', 10, 1000, 0);
        Valeurs* attente = AddSecurity("SRD", 1100, true);
        AddTrade(attente, Day(2024, 3, 1), 'A', 10, 1000, 0, {.srd = true, .pointe = true});
        AddTrade(attente, Day(2024, 6, 3), 'V', 10, 1100, 0, {.srd = true, .pointe = true});
        for (const auto& t : doc.Titres)
            Compute(t.get());
        doc.Modifie = false;
    }
};

TEST_F(Transfer, RemovesClosedPositionsAndBooksEachResult) {
    ASSERT_EQ(doc.FindTitre("GAIN")->Bilan.PlValNet, 1799);
    doc.TitreHisto = doc.FindTitre("GAIN");
    doc.DateHisto = Day(2024, 6, 13);

    doc.Transfert(false, "inutilisé");
    EXPECT_EQ(Codes(doc), (std::vector<std::string>{"GARDE", "SRD"}));
    EXPECT_EQ(doc.TitreHisto, nullptr);
    EXPECT_EQ(doc.DateHisto, 0.0);
    EXPECT_FALSE(doc.Modifie);

    ASSERT_EQ(doc.Mouvements.size(), 2u);
    const Mvt& credit = *doc.Mouvements[0];
    // The sense follows the net gain, the amount is sales net less purchases net.
    EXPECT_EQ(credit.Sens, 'C');
    EXPECT_EQ(credit.Montant, 1800);
    EXPECT_EQ(credit.Date, Day(2024, 6, 14));
    EXPECT_FALSE(credit.Pointe);
    EXPECT_EQ(credit.Comment, "+/- value sur le titre Titre GAIN");
    const Mvt& debit = *doc.Mouvements[1];
    EXPECT_EQ(debit.Sens, 'D');
    EXPECT_EQ(debit.Montant, 1000);
    EXPECT_EQ(debit.Comment, "+/- value sur le titre Titre PERTE");
}

TEST_F(Transfer, OneLineBooksTheSumUnderTheGivenComment) {
    Valeurs* garde = doc.FindTitre("GARDE");
    doc.TitreHisto = garde;
    doc.Transfert(true, "Report 2023");
    EXPECT_EQ(doc.TitreHisto, garde);
    ASSERT_EQ(doc.Mouvements.size(), 1u);
    EXPECT_EQ(doc.Mouvements[0]->Sens, 'C');
    EXPECT_EQ(doc.Mouvements[0]->Montant, 800);
    EXPECT_EQ(doc.Mouvements[0]->Comment, "Report 2023");
    EXPECT_EQ(doc.Mouvements[0]->Date, Day(2024, 6, 14));

    // Nothing left to book: no movement at all, not even one of 0.
    doc.Transfert(true, "Report 2024");
    EXPECT_EQ(doc.Mouvements.size(), 1u);
}

TEST_F(Transfer, OneLineSumOfLossesIsADebit) {
    doc.RemoveTitre(doc.FindTitre("GAIN"));
    doc.Transfert(true, "Pertes");
    ASSERT_EQ(doc.Mouvements.size(), 1u);
    EXPECT_EQ(doc.Mouvements[0]->Sens, 'D');
    EXPECT_EQ(doc.Mouvements[0]->Montant, 1000);
}

TEST_F(Transfer, RemoveTitreForgetsOnlyItsOwnHistory) {
    Valeurs* garde = doc.FindTitre("GARDE");
    garde->Alarmes.push_back(std::make_unique<SDetAlarme>());
    doc.TitreHisto = doc.FindTitre("NUL");
    doc.DateHisto = Day(2024, 6, 13);

    doc.RemoveTitre(garde);
    EXPECT_EQ(doc.FindTitre("GARDE"), nullptr);
    EXPECT_EQ(doc.Titres.size(), 4u);
    EXPECT_NE(doc.TitreHisto, nullptr);
    EXPECT_EQ(doc.DateHisto, Day(2024, 6, 13));

    Valeurs etranger;
    doc.RemoveTitre(&etranger);
    EXPECT_EQ(doc.Titres.size(), 4u);

    doc.RemoveTitre(doc.FindTitre("NUL"));
    EXPECT_EQ(doc.TitreHisto, nullptr);
    EXPECT_EQ(doc.DateHisto, 0.0);
}

TEST_F(Transfer, PlValueMovementOnlyForARealisedResult) {
    EXPECT_EQ(doc.AddPlValueMvt(doc.FindTitre("NUL")), nullptr);
    EXPECT_TRUE(doc.Mouvements.empty());
    const Mvt* mvt = doc.AddPlValueMvt(doc.FindTitre("PERTE"));
    ASSERT_NE(mvt, nullptr);
    ASSERT_EQ(doc.Mouvements.size(), 1u);
    EXPECT_EQ(doc.Mouvements[0].get(), mvt);
    EXPECT_EQ(mvt->Sens, 'D');
    EXPECT_EQ(mvt->Montant, 1000);
}

} // namespace
