#pragma once

// Builders for the documents the tests start from: securities, trades, cash movements and
// fee brackets, appended as the user would enter them, and the recomputation the window
// runs after a change. Each returns what it made so a test can adjust one more field.

#include "portfolio/Cv.h"
#include "portfolio/HistoImport.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>

namespace build {

// What a security carries besides its code and label; the quote fields fill Infos.
struct SecurityInfo {
    std::int32_t cours = 0;
    bool srd = false;
    bool suivi = false;
    std::string bourse = {};
    std::string activite = {};
};

inline Valeurs* AddSecurity(TCorv& doc, const std::string& code, const std::string& libelle = {},
                            const SecurityInfo& info = {}) {
    Valeurs model;
    model.Code = code;
    model.Libelle = libelle;
    model.SRD = info.srd;
    model.SuiviAuto = info.suivi;
    model.NomBourse = info.bourse;
    model.Activite = info.activite;
    model.Infos.Cours = info.cours;
    return doc.AddTitre(model);
}

// The three fee fields of a trade; the trade's total is their sum.
struct Fees {
    std::int32_t frais1 = 0;
    std::int32_t frais2 = 0;
    std::int32_t fraisSrd = 0;
};

struct TradeFlags {
    bool srd = false;
    bool pointe = false;
};

// sens 'A' buys, 'V' sells; cours in cents.
inline Operes* AddTrade(Valeurs& titre, double date, char sens, std::int32_t quantite,
                        std::int32_t cours, const Fees& fees, const TradeFlags& flags = {}) {
    auto op = std::make_unique<Operes>();
    op->Date = date;
    op->Sens = sens;
    op->Quantite = quantite;
    op->Cours = cours;
    op->Frais1 = fees.frais1;
    op->Frais2 = fees.frais2;
    op->FraisSRD = fees.fraisSrd;
    op->Frais = fees.frais1 + fees.frais2 + fees.fraisSrd;
    op->SRD = flags.srd;
    op->Pointe = flags.pointe;
    titre.Operes.push_back(std::move(op));
    return titre.Operes.back().get();
}

// A trade whose fees all stand in the first fee field.
inline Operes* AddTrade(Valeurs& titre, double date, char sens, std::int32_t quantite,
                        std::int32_t cours, std::int32_t frais = 0, const TradeFlags& flags = {}) {
    return AddTrade(titre, date, sens, quantite, cours, Fees{.frais1 = frais}, flags);
}

inline Operes* AddTrade(Valeurs* titre, double date, char sens, std::int32_t quantite,
                        std::int32_t cours, std::int32_t frais = 0, const TradeFlags& flags = {}) {
    return AddTrade(*titre, date, sens, quantite, cours, frais, flags);
}

// sens 'C' credits the cash, 'D' debits it; montant in cents.
inline Mvt* AddMovement(TCorv& doc, double date, char sens, std::int32_t montant,
                        const std::string& comment = {}, bool pointe = false) {
    doc.Mouvements.push_back(std::make_unique<Mvt>(Mvt{pointe, date, sens, montant, comment}));
    return doc.Mouvements.back().get();
}

// One bracket of a fee schedule: from seuil cents on, the rate frais (at least mntMin cents),
// plus tva on the fee; plVal applies the rate above the threshold only.
inline TrancheFrais Bracket(std::int32_t seuil, float frais, std::int32_t mntMin = 0,
                            float tva = 0.0f, bool plVal = false) {
    return TrancheFrais{seuil, frais, mntMin, tva, plVal};
}

// Brackets go in ascending threshold order, as the document keeps them.
inline TrancheFrais* AddBracket(ListeTranches& schedule, std::int32_t seuil, float frais,
                                std::int32_t mntMin = 0, float tva = 0.0f, bool plVal = false) {
    schedule.push_back(std::make_unique<TrancheFrais>(Bracket(seuil, frais, mntMin, tva, plVal)));
    return schedule.back().get();
}

// One security's trades put in date order and its position computed, as after an edit.
inline void Recompute(TCorv& doc, Valeurs& titre) {
    doc.SortOperes(&titre);
    doc.ComputeTitre(&titre);
}

// Every security and the portfolio totals, as the window does before it redraws.
inline void Recompute(TCorv& doc) {
    for (const auto& titre : doc.Titres)
        Recompute(doc, *titre);
    doc.ComputeTotals();
}

// An import layout: the separator, then the kind of each field in the order of the line.
inline ModeleImport Layout(char separateur, std::initializer_list<std::uint8_t> champs,
                           bool multi = false) {
    ModeleImport m;
    m.Multi = multi;
    m.Separateur = separateur;
    for (const std::uint8_t k : champs)
        m.Champs[m.NbChamps++] = k;
    return m;
}

} // namespace build
