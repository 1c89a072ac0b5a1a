#pragma once

// Sample documents and helpers shared by the portfolio-file tests.

#include "portfolio/Cv.h"
#include "support/Builders.h"

#include "platform/DateTime.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace cvtest {

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteAll(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

inline Valeurs& AddValeur(TCorv& doc, const std::string& code, const std::string& libelle) {
    auto v = std::make_unique<Valeurs>();
    v->Code = code;
    v->Libelle = libelle;
    doc.Titres.push_back(std::move(v));
    return *doc.Titres.back();
}

// A document that uses every line kind and every stored field.
inline void FillRichDocument(TCorv& doc) {
    using platform::EncodeDate;
    using platform::EncodeTime;
    doc.Cash = 123456;
    doc.CouvC = 2.5f;
    doc.CouvT = 0.75f;
    doc.AjoutFrais1SRD = false;
    build::AddBracket(doc.TranchesSRD, 0, 0.002f, 150, 0.196f);
    build::AddBracket(doc.TranchesSRD, 1000000, 0.0015f, 0, 0.196f);
    build::AddBracket(doc.TranchesFrais1, 0, 0.0065f, 500, 0.0f);
    build::AddBracket(doc.TranchesFrais1, 100000, 0.0045f, 0, 0.2f, true);
    build::AddBracket(doc.TranchesFrais2, 0, 0.001f, 99, 0.196f, true);

    Valeurs& a = AddValeur(doc, "12027", "Société Générale");
    a.NomBourse = "Paris";
    a.Activite = "Banques";
    a.SRD = true;
    a.SuiviAuto = true;
    a.Infos.Cours = 4567;
    a.Infos.Bas = 4500;
    a.Infos.Haut = 4600;
    a.Infos.Variation = -1.25f;
    a.Infos.Date = EncodeDate(2023, 11, 30);
    a.Infos.Heure = EncodeTime(17, 35, 12);
    BilanTitre& p = a.BilanPurge;
    p.NbAchat = 300;
    p.NbVentes = 100;
    p.PxMoyAchBrut = 4100;
    p.PxMoyAchNet = 41.57f;
    p.PlValBrut = 12000;
    p.PlValNet = 11000;
    p.TotFrais = 1500;
    p.ARealBrut = 1230000;
    p.ARealNet = 1231000;
    p.VRealBrut = 460000;
    p.VRealNet = 459500;
    p.PxMoyVenBrut = 7;
    p.PxMoyVenNet = -8;
    build::AddTrade(a, EncodeDate(2021, 3, 4), 'A', 100, 4010, {650, 20, 0}, {.pointe = true});
    build::AddTrade(a, EncodeDate(2021, 3, 4), 'V', 50, 4300, {300, 10, 120}, {.srd = true});
    build::AddTrade(a, EncodeDate(1950, 1, 2), 'A', 7, 1);
    auto alarme = std::make_unique<SDetAlarme>();
    alarme->Active = true;
    alarme->Signal = true;
    alarme->Intitule = "Cours > MM 20";
    alarme->DateVal = EncodeDate(2025, 12, 31);
    alarme->Element1 = {1, 0};
    alarme->Element2 = {7, 20};
    alarme->Oper = 3;
    a.Alarmes.push_back(std::move(alarme));
    auto alarme2 = std::make_unique<SDetAlarme>();
    alarme2->Intitule = "";
    alarme2->Element1 = {-3, -5};
    alarme2->Oper = 200;
    alarme2->DateVal = EncodeDate(2024, 2, 29);
    a.Alarmes.push_back(std::move(alarme2));

    // Never quoted, nothing carried over.
    Valeurs& b = AddValeur(doc, "13000", "Air Liquide");
    build::AddTrade(b, EncodeDate(2022, 7, 14), 'V', 2147483647, 2147483647, {-1, 2, 3},
                    {.srd = true, .pointe = true});

    build::AddMovement(doc, EncodeDate(2020, 1, 2), 'C', 1000000, "Versement initial", true);
    build::AddMovement(doc, EncodeDate(2020, 2, 3), 'D', 2500);
    build::AddMovement(doc, EncodeDate(2020, 2, 4), 'D', -7, "*Frais de garde é€");
}

// Every stored field of two documents is equal; the fields that the file does not hold are
// checked by the tests that care about them.
inline void ExpectSameStored(const TCorv& a, const TCorv& b) {
    EXPECT_EQ(a.Cash, b.Cash);
    EXPECT_EQ(a.CouvC, b.CouvC);
    EXPECT_EQ(a.CouvT, b.CouvT);
    EXPECT_EQ(a.AjoutFrais1SRD, b.AjoutFrais1SRD);
    const ListeTranches* la[] = {&a.TranchesSRD, &a.TranchesFrais1, &a.TranchesFrais2};
    const ListeTranches* lb[] = {&b.TranchesSRD, &b.TranchesFrais1, &b.TranchesFrais2};
    for (int k = 0; k < 3; ++k) {
        ASSERT_EQ(la[k]->size(), lb[k]->size()) << "schedule " << k;
        for (std::size_t i = 0; i < la[k]->size(); ++i) {
            const TrancheFrais& x = *(*la[k])[i];
            const TrancheFrais& y = *(*lb[k])[i];
            EXPECT_EQ(x.Seuil, y.Seuil);
            EXPECT_EQ(x.Frais, y.Frais);
            EXPECT_EQ(x.Tva, y.Tva);
            EXPECT_EQ(x.MntMin, y.MntMin);
            // Deferred-settlement rows carry the document's option.
            EXPECT_EQ(k == 0 ? a.AjoutFrais1SRD : x.PlVal, y.PlVal) << "schedule " << k;
        }
    }
    ASSERT_EQ(a.Titres.size(), b.Titres.size());
    for (std::size_t i = 0; i < a.Titres.size(); ++i) {
        const Valeurs& x = *a.Titres[i];
        const Valeurs& y = *b.Titres[i];
        SCOPED_TRACE("security " + x.Code);
        EXPECT_EQ(x.Code, y.Code);
        EXPECT_EQ(x.Libelle, y.Libelle);
        EXPECT_EQ(x.NomBourse, y.NomBourse);
        EXPECT_EQ(x.Activite, y.Activite);
        EXPECT_EQ(x.SRD, y.SRD);
        EXPECT_EQ(x.SuiviAuto, y.SuiviAuto);
        EXPECT_EQ(x.Infos.Cours, y.Infos.Cours);
        EXPECT_EQ(x.Infos.Bas, y.Infos.Bas);
        EXPECT_EQ(x.Infos.Haut, y.Infos.Haut);
        EXPECT_EQ(x.Infos.Variation, y.Infos.Variation);
        EXPECT_EQ(x.Infos.Date, y.Infos.Date);
        EXPECT_EQ(x.Infos.Heure, y.Infos.Heure);
        const BilanTitre& p = x.BilanPurge;
        const BilanTitre& q = y.BilanPurge;
        EXPECT_EQ(p.NbAchat, q.NbAchat);
        EXPECT_EQ(p.NbVentes, q.NbVentes);
        EXPECT_EQ(p.PxMoyAchBrut, q.PxMoyAchBrut);
        EXPECT_EQ(p.PlValBrut, q.PlValBrut);
        EXPECT_EQ(p.PlValNet, q.PlValNet);
        EXPECT_EQ(p.TotFrais, q.TotFrais);
        EXPECT_EQ(p.ARealBrut, q.ARealBrut);
        EXPECT_EQ(p.ARealNet, q.ARealNet);
        EXPECT_EQ(p.VRealBrut, q.VRealBrut);
        EXPECT_EQ(p.VRealNet, q.VRealNet);
        EXPECT_EQ(p.PxMoyVenBrut, q.PxMoyVenBrut);
        EXPECT_EQ(p.PxMoyVenNet, q.PxMoyVenNet);
        // Nothing computed from the trades is set on either side: all of a trade must match.
        ASSERT_EQ(x.Operes.size(), y.Operes.size());
        for (std::size_t k = 0; k < x.Operes.size(); ++k)
            EXPECT_EQ(*x.Operes[k], *y.Operes[k]) << "trade " << k;
        ASSERT_EQ(x.Alarmes.size(), y.Alarmes.size());
        for (std::size_t k = 0; k < x.Alarmes.size(); ++k) {
            const SDetAlarme& s = *x.Alarmes[k];
            const SDetAlarme& t = *y.Alarmes[k];
            EXPECT_EQ(s.Active, t.Active);
            EXPECT_EQ(s.Signal, t.Signal);
            EXPECT_EQ(s.Intitule, t.Intitule);
            EXPECT_EQ(s.DateVal, t.DateVal);
            EXPECT_EQ(s.Element1.Type, t.Element1.Type);
            EXPECT_EQ(s.Element1.Param, t.Element1.Param);
            EXPECT_EQ(s.Element2.Type, t.Element2.Type);
            EXPECT_EQ(s.Element2.Param, t.Element2.Param);
            EXPECT_EQ(s.Oper, t.Oper);
        }
    }
    ASSERT_EQ(a.Mouvements.size(), b.Mouvements.size());
    for (std::size_t i = 0; i < a.Mouvements.size(); ++i) {
        const Mvt& m = *a.Mouvements[i];
        const Mvt& n = *b.Mouvements[i];
        EXPECT_EQ(m.Pointe, n.Pointe);
        EXPECT_EQ(m.Date, n.Date);
        EXPECT_EQ(m.Sens, n.Sens);
        EXPECT_EQ(m.Montant, n.Montant);
        EXPECT_EQ(m.Comment, n.Comment);
    }
}

} // namespace cvtest
