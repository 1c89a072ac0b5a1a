// The operations through which the program changes the document's records. Each checks what
// the document must hold before it writes anything, recomputes what it changed and marks the
// document modified; a refusal (Refus) leaves the document as it was.

#include "portfolio/Cv.h"

#include "platform/Checked.h"
#include "platform/DateText.h"
#include "platform/DateTime.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <string>
#include <utility>

namespace {

constexpr char kSaisieIncorrecte[] = "Saisie incorrecte!";
constexpr char kTitreIncomplet[] = "Le code valeur et le libellé doivent être saisis.";
constexpr char kTitreExistant[] = "Cette valeur existe déjà!";
constexpr char kMvtEtranger[] =
    "Ce mouvement n'est pas un mouvement du portefeuille : rien n'a été changé.";

// A trade handed with another security than its own (a view shown out of step with the
// document) would change that security's position with trades it does not hold.
std::string OpereEtranger(const Valeurs& titre) {
    return "Cet opéré n'est pas un opéré du titre « " + titre.Libelle + " » (" + titre.Code +
           ") : rien n'a été changé.";
}

bool Tient32(std::int64_t cents) {
    return cents >= std::numeric_limits<std::int32_t>::min() &&
           cents <= std::numeric_limits<std::int32_t>::max();
}

// A day the portfolio file can write back: a record dated otherwise would make every later
// save of the document fail.
std::string DateRefusee(double date) {
    if (platform::FitsDateText(date))
        return {};
    return "La date doit être comprise entre le " + platform::DateToStrFull(platform::kFirstDay) +
           " et le " + platform::DateToStrFull(platform::kLastDay) + ".";
}

// A quote typed by hand: nothing of the day's quote but the price, stamped now.
InfosCours CoursSaisi(std::int32_t cours) {
    InfosCours infos{};
    infos.Cours = cours;
    infos.Date = platform::Date();
    infos.Heure = platform::TimeOf(platform::Now());
    return infos;
}

// The split of a security as it leaves it: its trades up to date split, and its quote too when
// it is of a day up to date, a price from before the split. The ratio is one DivisionFits took.
void Divise(Valeurs& titre, int ratio, double date) {
    TCorv::ApplyDivision(&titre, ratio, date);
    InfosCours& infos = titre.Infos;
    if (infos.Date > date)
        return;
    infos.Cours /= ratio;
    infos.Ouverture /= ratio;
    infos.Haut /= ratio;
    infos.Bas /= ratio;
}

template <typename T>
std::size_t RangDe(const std::vector<std::unique_ptr<T>>& liste, const T* record) {
    return static_cast<std::size_t>(
        std::find_if(liste.begin(), liste.end(),
                     [record](const auto& r) { return r.get() == record; }) -
        liste.begin());
}

} // namespace

// --- Securities ---------------------------------------------------------------------------

Refus TCorv::AddTitre(const FicheTitre& fiche, Valeurs** ajoute) {
    if (fiche.Code.empty() || fiche.Libelle.empty())
        return kTitreIncomplet;
    Valeurs modele;
    modele.Code = fiche.Code;
    modele.Libelle = fiche.Libelle;
    modele.NomBourse = fiche.NomBourse;
    modele.Activite = fiche.Activite;
    modele.Infos = CoursSaisi(fiche.Cours);
    modele.SRD = fiche.SRD;
    modele.SuiviAuto = fiche.SuiviAuto;
    std::string refus;
    Valeurs* titre = AddTitre(modele, &refus);
    if (titre == nullptr)
        return refus.empty() ? kTitreExistant : refus;
    if (ajoute != nullptr)
        *ajoute = titre;
    return {};
}

Refus TCorv::ReplaceTitre(Valeurs* titre, const FicheTitre& fiche, std::int32_t coursMontre,
                          ChangementTitre* changement) {
    ChangementTitre fait;
    // Validated untouched, a security stays exactly as it is, whatever it holds.
    if (fiche == FicheTitre::De(*titre)) {
        Modifie = true;
        if (changement != nullptr)
            *changement = fait;
        return {};
    }
    // Codes name the history files and must stay unique: a change that would lose either is
    // refused before anything is written, as an added security is.
    if (fiche.Code.empty() || fiche.Libelle.empty())
        return kTitreIncomplet;
    if (const Valeurs* autre = FindTitre(fiche.Code); autre != nullptr && autre != titre)
        return kTitreExistant;
    if (fiche.Code != titre->Code) {
        if (std::string refus = CodeRefuse(fiche.Code); !refus.empty())
            return refus;
    }
    fait.Cours = fiche.Cours != coursMontre;
    if (fait.Cours || fiche.SRD != titre->SRD) {
        // The price and the settlement market value the position: it must hold in the
        // document's cents.
        const std::unique_ptr<Valeurs> essai = CopyTitre(*titre);
        essai->SRD = fiche.SRD;
        if (fait.Cours)
            essai->Infos = CoursSaisi(fiche.Cours);
        if (std::string refus = SommesRefusees(*titre, *essai); !refus.empty())
            return refus;
    }

    Modifie = true;
    if (fiche.Code != titre->Code && TitreHisto == titre) {
        // The loaded history is the old code's file: the next reader loads the new one's.
        TitreHisto = nullptr;
        DateHisto = 0.0;
    }
    titre->Code = fiche.Code;
    titre->SRD = fiche.SRD;
    fait.Libelle = fiche.Libelle != titre->Libelle;
    titre->Libelle = fiche.Libelle;
    titre->NomBourse = fiche.NomBourse;
    titre->Activite = fiche.Activite;
    fait.SuiviAuto = fiche.SuiviAuto != titre->SuiviAuto;
    titre->SuiviAuto = fiche.SuiviAuto;
    if (fait.Cours)
        titre->Infos = CoursSaisi(fiche.Cours);
    if (fait.Libelle)
        SortTitres();
    if (changement != nullptr)
        *changement = fait;
    return {};
}

Refus TCorv::SuppressionRefusee(Valeurs* titre) {
    // The checks read the position as the trades give it now, not as a dialog's preview may
    // have left it.
    SortOperes(titre);
    ComputeTitre(titre);
    if (titre->Bilan.NbInPort != 0)
        return "Vous ne pouvez supprimer un titre encore détenu.";
    if (HasPendingSrd(titre))
        return "Ce titre à des opérés non liquidés.";
    return {};
}

void TCorv::DeleteTitre(Valeurs* titre) {
    AddPlValueMvt(titre);
    RemoveTitre(titre);
    Modifie = true;
}

// --- Trades -------------------------------------------------------------------------------

bool TCorv::OpereValide(const Operes& opere) {
    // The positions and the cash add these up in 32-bit cents: a trade whose amount, fees or
    // amount with its fees go beyond would wrap them.
    const std::int64_t frais = std::int64_t{opere.FraisSRD} + opere.Frais1 + opere.Frais2;
    const std::int64_t montant = platform::Mul64(opere.Quantite, opere.Cours);
    return opere.Quantite >= 1 && opere.Cours >= 1 && opere.Frais == frais && Tient32(montant) &&
           Tient32(montant + frais) && Tient32(montant - frais);
}

Refus TCorv::AddOpere(Valeurs* titre, const Operes& opere, Operes** stocke) {
    if (!OpereValide(opere))
        return kSaisieIncorrecte;
    if (std::string refus = DateRefusee(opere.Date); !refus.empty())
        return refus;
    const std::unique_ptr<Valeurs> essai = CopyTitre(*titre);
    essai->Operes.push_back(std::make_unique<Operes>(opere));
    SortOperes(essai.get());
    if (std::string refus = SommesRefusees(*titre, *essai); !refus.empty())
        return refus;
    titre->Operes.push_back(std::make_unique<Operes>(opere));
    if (stocke != nullptr)
        *stocke = titre->Operes.back().get();
    SortOperes(titre);
    ComputeTitre(titre);
    Modifie = true;
    return {};
}

Refus TCorv::ReplaceOpere(Valeurs* titre, Operes* opere, const Operes& nouveau) {
    // A trade validated loses its tick, changed or not; untouched, it keeps every other value
    // exactly, whatever it holds.
    Operes remplace = nouveau;
    remplace.Pointe = false;
    Operes actuel = *opere;
    actuel.Pointe = false;
    const std::size_t rang = RangDe(titre->Operes, static_cast<const Operes*>(opere));
    if (rang == titre->Operes.size())
        return OpereEtranger(*titre);
    if (remplace != actuel) {
        if (!OpereValide(remplace))
            return kSaisieIncorrecte;
        if (std::string refus = DateRefusee(remplace.Date); !refus.empty())
            return refus;
        const std::unique_ptr<Valeurs> essai = CopyTitre(*titre);
        *essai->Operes[rang] = remplace;
        SortOperes(essai.get());
        if (std::string refus = SommesRefusees(*titre, *essai); !refus.empty())
            return refus;
    }
    *opere = remplace;
    SortOperes(titre);
    ComputeTitre(titre);
    Modifie = true;
    return {};
}

BilanTitre TCorv::PositionAvant(const Valeurs& titre, double date, const Operes* exclue) const {
    const auto avant = [](const std::unique_ptr<Operes>& a, const std::unique_ptr<Operes>& b) {
        return CompareOperes(a.get(), b.get()) < 0;
    };
    if (std::is_sorted(titre.Operes.begin(), titre.Operes.end(), avant))
        return ComputeBilan(titre, date, exclue);
    // Replayed in date order on a copy: the document's list keeps its own order.
    const std::unique_ptr<Valeurs> trie = CopyTitre(titre);
    const std::size_t rang = RangDe(titre.Operes, exclue);
    const Operes* exclueCopie = rang < trie->Operes.size() ? trie->Operes[rang].get() : nullptr;
    SortOperes(trie.get());
    return ComputeBilan(*trie, date, exclueCopie);
}

Refus TCorv::EnregistreOpere(Valeurs* titre, Operes* edite, const Operes& saisie, Operes** stocke) {
    if (edite == nullptr)
        return AddOpere(titre, saisie, stocke);
    Refus refus = ReplaceOpere(titre, edite, saisie);
    if (!refus && stocke != nullptr)
        *stocke = edite;
    return refus;
}

Refus TCorv::DeleteOpere(Valeurs* titre, Operes* opere) {
    // Without a sale the position grows: what it is then worth must hold as well.
    const std::size_t rang = RangDe(titre->Operes, static_cast<const Operes*>(opere));
    if (rang == titre->Operes.size())
        return OpereEtranger(*titre);
    const std::unique_ptr<Valeurs> essai = CopyTitre(*titre);
    essai->Operes.erase(essai->Operes.begin() + static_cast<std::ptrdiff_t>(rang));
    if (std::string refus = SommesRefusees(*titre, *essai); !refus.empty())
        return refus;
    titre->Operes.erase(titre->Operes.begin() + static_cast<std::ptrdiff_t>(rang));
    SortOperes(titre);
    ComputeTitre(titre);
    Modifie = true;
    return {};
}

void TCorv::PointeOpere(Operes* opere, bool pointe) {
    // The tick is stored in the portfolio file: closing without saving would lose it, so it
    // counts as a change like any other.
    if (opere->Pointe != pointe)
        Modifie = true;
    opere->Pointe = pointe;
}

// --- Cash movements -----------------------------------------------------------------------

Refus TCorv::AddMvt(const Mvt& mvt) {
    if (mvt.Montant < 1)
        return kSaisieIncorrecte;
    if (std::string refus = DateRefusee(mvt.Date); !refus.empty())
        return refus;
    if (std::string refus = SoldeRefuse(EffetSurCash(mvt)); !refus.empty())
        return refus;
    Mouvements.push_back(std::make_unique<Mvt>(mvt));
    Modifie = true;
    return {};
}

Refus TCorv::ReplaceMvt(Mvt* cible, const Mvt& mvt) {
    if (RangDe(Mouvements, static_cast<const Mvt*>(cible)) == Mouvements.size())
        return kMvtEtranger;
    if (mvt.Montant < 1)
        return kSaisieIncorrecte;
    if (std::string refus = DateRefusee(mvt.Date); !refus.empty())
        return refus;
    if (std::string refus = SoldeRefuse(EffetSurCash(mvt) - EffetSurCash(*cible)); !refus.empty())
        return refus;
    *cible = mvt;
    Modifie = true;
    return {};
}

Refus TCorv::DeleteMvt(Mvt* mvt) {
    const std::size_t rang = RangDe(Mouvements, static_cast<const Mvt*>(mvt));
    if (rang == Mouvements.size())
        return kMvtEtranger;
    if (std::string refus = SoldeRefuse(-EffetSurCash(*mvt)); !refus.empty())
        return refus;
    Mouvements.erase(Mouvements.begin() + static_cast<std::ptrdiff_t>(rang));
    Modifie = true;
    return {};
}

// --- Alarms -------------------------------------------------------------------------------

void TCorv::ReplaceAlarmes(Valeurs* titre, std::vector<std::unique_ptr<SDetAlarme>> alarmes) {
    titre->Alarmes = std::move(alarmes);
    Modifie = true;
}

// Not kept in the file: a flag of this run, which does not make the document modified.
void TCorv::SignaleAlarme() {
    AlarmeNouvelle = true;
}

void TCorv::AlarmesLues() {
    AlarmeNouvelle = false;
}

bool TCorv::TestAlarmeAuCours(Valeurs* titre, const SDetAlarme& alarme, std::int32_t cours) {
    // Tested on the security itself, whose history the indicators load, at the price given;
    // its own price and position come back however the test ends.
    class PrixProvisoire {
    public:
        PrixProvisoire(TCorv& doc, Valeurs& titre, std::int32_t cours)
            : doc_(doc), titre_(titre), garde_(titre.Infos.Cours) {
            titre_.Infos.Cours = cours;
            doc_.ComputeTitre(&titre_);
        }
        ~PrixProvisoire() {
            titre_.Infos.Cours = garde_;
            doc_.ComputeTitre(&titre_);
        }
        PrixProvisoire(const PrixProvisoire&) = delete;
        PrixProvisoire& operator=(const PrixProvisoire&) = delete;

    private:
        TCorv& doc_;
        Valeurs& titre_;
        std::int32_t garde_;
    };
    const PrixProvisoire essai(*this, *titre, cours);
    return TestAlarme(titre, alarme);
}

// --- Options ------------------------------------------------------------------------------

void TCorv::ReplaceFrais(ListeTranches srd, ListeTranches frais1, ListeTranches frais2,
                         bool ajoutFrais1SRD) {
    // Without deferred-settlement brackets, such a trade pays schedule 1 alone.
    AjoutFrais1SRD = ajoutFrais1SRD || srd.empty();
    TranchesSRD = std::move(srd);
    TranchesFrais1 = std::move(frais1);
    TranchesFrais2 = std::move(frais2);
    Modifie = true;
}

void TCorv::SetCouverture(float cash, float titres) {
    CouvC = cash;
    CouvT = titres;
    Modifie = true;
}

// --- Split --------------------------------------------------------------------------------

Refus TCorv::DivisionRefusee(const Valeurs* titre, int ratio, double date) const {
    if (!DivisionFits(titre, ratio, date))
        return "La division par " + std::to_string(ratio) +
               " donnerait une quantité trop grande pour être enregistrée : rien n'a été divisé.";
    const std::unique_ptr<Valeurs> essai = CopyTitre(*titre);
    Divise(*essai, ratio, date);
    return SommesRefusees(*titre, *essai);
}

Refus TCorv::DiviseTitre(Valeurs* titre, int ratio, double date) {
    if (Refus refus = DivisionRefusee(titre, ratio, date))
        return refus;
    Divise(*titre, ratio, date);
    SortOperes(titre);
    ComputeTitre(titre);
    Modifie = true;
    return {};
}
