// Operations that restructure positions: the purge of settled ticked trades, stock splits,
// and the removal of securities with the booking of their results.

#include "portfolio/Cv.h"
#include "portfolio/PositionArith.h"

#include "platform/Checked.h"
#include "platform/DateTime.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace position_arith;

namespace {

// The carried-over averages are the means over everything ever purged, fees of purged sales
// included, not the running averages of a replay.
void Fold(BilanTitre& p, const Operes& op, Cumul& cumul) {
    const std::int32_t q = op.Quantite;
    const std::int32_t f = op.Frais;
    const std::int64_t montant = platform::Mul64(q, op.Cours);
    cumul.Add(Somme::TotFrais, p.TotFrais, f);
    if (op.Sens == 'A') {
        cumul.Add(Somme::NbAchat, p.NbAchat, q);
        cumul.Add(Somme::NbInPort, p.NbInPort, q);
        cumul.Add(Somme::ARealBrut, p.ARealBrut, montant);
        p.PxMoyAchBrut = platform::Wrap32(platform::SafeDiv(p.ARealBrut, p.NbAchat));
        p.PxMoyAchNet =
            static_cast<float>((Quotient(p.TotFrais, p.NbAchat) + p.PxMoyAchBrut) * 0.01);
        cumul.Add(Somme::ARealNet, p.ARealNet, montant + f);
    } else {
        cumul.Add(Somme::NbInPort, p.NbInPort, -std::int64_t{q});
        cumul.Add(Somme::NbVentes, p.NbVentes, q);
        cumul.Add(Somme::VRealBrut, p.VRealBrut, montant);
        cumul.Add(Somme::VRealNet, p.VRealNet, montant - f);
        cumul.Add(Somme::PlValBrut, p.PlValBrut, op.PlValBrut);
        cumul.Add(Somme::PlValNet, p.PlValNet, op.PlValNet);
    }
}

// A booked amount is never negative: an absolute value beyond 32 bits saturates rather than
// wrapping into a booking of the wrong sense.
std::int32_t Magnitude(std::int64_t value) {
    return platform::Saturate32(value < 0 ? -value : value);
}

// The movements that book realised results are unticked and dated today, without time.
Mvt* AppendResultMvt(std::vector<std::unique_ptr<Mvt>>& mouvements, char sens, std::int64_t montant,
                     std::string commentaire) {
    auto mvt = std::make_unique<Mvt>();
    mvt->Pointe = false;
    mvt->Date = platform::DateOf(platform::Clock::Today());
    mvt->Sens = sens;
    mvt->Montant = Magnitude(montant);
    mvt->Comment = std::move(commentaire);
    mouvements.push_back(std::move(mvt));
    return mouvements.back().get();
}

// The purge folds the ticked trades that are settled.
bool Purgeable(const TCorv& doc, const Valeurs& titre, const Operes& op) {
    return op.Pointe && !doc.IsSrdPending(&titre, &op);
}

bool APurger(const TCorv& doc, const Valeurs& titre) {
    return std::any_of(titre.Operes.begin(), titre.Operes.end(),
                       [&](const auto& op) { return Purgeable(doc, titre, *op); });
}

} // namespace

bool TCorv::PurgeTitre(Valeurs& titre) const {
    Cumul cumul;
    auto& operes = titre.Operes;
    std::size_t garde = 0;
    for (std::size_t i = 0; i < operes.size(); ++i) {
        if (Purgeable(*this, titre, *operes[i])) {
            Fold(titre.BilanPurge, *operes[i], cumul);
            operes[i].reset();
        } else if (garde != i) {
            operes[garde++] = std::move(operes[i]);
        } else {
            ++garde;
        }
    }
    operes.resize(garde);
    return cumul.Tient();
}

Refus TCorv::Purge() {
    // Tried on copies first: the carried-over block is stored for good, so a purge that one
    // security's cents cannot hold purges nothing. Only the securities it purges are judged.
    std::vector<Valeurs*> purges;
    std::vector<std::unique_ptr<Valeurs>> essais;
    Changements changements;
    for (const auto& titre : Titres) {
        if (!APurger(*this, *titre))
            continue;
        essais.push_back(CopyTitre(*titre));
        if (!PurgeTitre(*essais.back()))
            return Depassement(*titre);
        purges.push_back(titre.get());
        changements.emplace_back(titre.get(), essais.back().get());
    }
    if (std::string refus = ChangementsRefuses(changements, 0); !refus.empty())
        return refus;
    for (Valeurs* titre : purges)
        PurgeTitre(*titre);
    Modifie = true;
    return {};
}

bool TCorv::DivisionFits(const Valeurs* titre, int ratio, double date) {
    if (ratio < 1)
        return false;
    for (const auto& op : titre->Operes) {
        if (op->Date > date)
            continue;
        const std::int64_t quantite = platform::Mul64(op->Quantite, ratio);
        if (quantite > std::numeric_limits<std::int32_t>::max() ||
            quantite < std::numeric_limits<std::int32_t>::min())
            return false;
    }
    return true;
}

bool TCorv::ApplyDivision(Valeurs* titre, int ratio, double date) {
    // Checked whole first: a split stopped half way would leave the trades half split.
    if (!DivisionFits(titre, ratio, date))
        return false;
    for (const auto& op : titre->Operes) {
        if (op->Date > date)
            continue;
        op->Cours /= ratio;
        op->Quantite = static_cast<std::int32_t>(platform::Mul64(op->Quantite, ratio));
    }
    return true;
}

Mvt* TCorv::AddPlValueMvt(const Valeurs* titre) {
    const BilanTitre& b = titre->Bilan;
    if (b.PlValNet == 0)
        return nullptr;
    // The sense follows the realised net gain; the amount is the net cash difference of
    // purchases and sales.
    return AppendResultMvt(Mouvements, b.PlValNet > 0 ? 'C' : 'D',
                           std::int64_t{b.VRealNet} - b.ARealNet,
                           "+/- value sur le titre " + titre->Libelle);
}

void TCorv::RemoveTitre(Valeurs* titre) {
    // Every user reloads the history when TitreHisto differs from its security, so a
    // forgotten name is enough; a freed address could otherwise be reused by a new security.
    if (TitreHisto == titre) {
        TitreHisto = nullptr;
        DateHisto = 0.0;
    }
    const auto it = std::find_if(Titres.begin(), Titres.end(),
                                 [titre](const auto& t) { return t.get() == titre; });
    if (it == Titres.end())
        return;
    FreeOperes(titre);
    titre->Operes.clear();
    titre->Alarmes.clear();
    Titres.erase(it);
}

void TCorv::Transfert(bool uneLigne, const std::string& commentaire) {
    std::int64_t somme = 0;
    bool cumule = false;
    for (std::size_t i = 0; i < Titres.size();) {
        Valeurs* titre = Titres[i].get();
        if (titre->Bilan.NbInPort != 0 || HasPendingSrd(titre)) {
            ++i;
            continue;
        }
        if (titre->Bilan.PlValNet != 0) {
            if (uneLigne) {
                somme += std::int64_t{titre->Bilan.VRealNet} - titre->Bilan.ARealNet;
                cumule = true;
            } else {
                AddPlValueMvt(titre);
            }
        }
        RemoveTitre(titre); // the next security takes index i
    }
    if (cumule)
        AppendResultMvt(Mouvements, somme > 0 ? 'C' : 'D', somme, commentaire);
}

TransfertEnCours::TransfertEnCours(TCorv& doc)
    : doc_(doc), fichier_(doc.Fichier), modifie_(doc.Modifie), titreHisto_(doc.TitreHisto),
      dateHisto_(doc.DateHisto) {
    ListeTitres titres;
    titres.reserve(doc.Titres.size());
    copies_.reserve(doc.Titres.size());
    for (const auto& titre : doc.Titres) {
        titres.push_back(CopyTitre(*titre));
        copies_.emplace_back(titre.get(), titres.back().get());
    }
    std::vector<std::unique_ptr<Mvt>> mouvements;
    mouvements.reserve(doc.Mouvements.size());
    for (const auto& mouvement : doc.Mouvements)
        mouvements.push_back(std::make_unique<Mvt>(*mouvement));

    originaux_ = std::move(doc.Titres);
    mouvements_ = std::move(doc.Mouvements);
    doc.Titres = std::move(titres);
    doc.Mouvements = std::move(mouvements);
    // The loaded history names an original; its users load it again for the copy.
    doc.TitreHisto = nullptr;
    doc.DateHisto = 0.0;
}

TransfertEnCours::~TransfertEnCours() {
    if (garde_)
        return;
    doc_.Titres = std::move(originaux_);
    doc_.Mouvements = std::move(mouvements_);
    doc_.Fichier = fichier_;
    doc_.Modifie = modifie_;
    doc_.TitreHisto = titreHisto_;
    doc_.DateHisto = dateHisto_;
}

Refus TransfertEnCours::Restructure(bool suppr, bool cumul, const std::string& intitule) {
    // Purged sales carry the gains of the last computation, and the removal reads the
    // positions: both must be those of the trades as they are now.
    for (const auto& titre : doc_.Titres) {
        doc_.SortOperes(titre.get());
        doc_.ComputeTitre(titre.get());
    }
    const TotauxExacts avant = doc_.Totaux();
    if (Refus refus = doc_.Purge())
        return refus;
    if (suppr)
        doc_.Transfert(cumul, intitule);
    // The removal books results as movements: judged on the document as it leaves it, which
    // the destructor puts back when refused.
    return doc_.TotauxRefuses(avant);
}

Valeurs* TransfertEnCours::CopyOf(const Valeurs* original) const {
    const auto it = std::find_if(copies_.begin(), copies_.end(),
                                 [original](const auto& paire) { return paire.first == original; });
    if (it == copies_.end())
        return nullptr;
    for (const auto& titre : doc_.Titres)
        if (titre.get() == it->second)
            return it->second;
    return nullptr;
}
