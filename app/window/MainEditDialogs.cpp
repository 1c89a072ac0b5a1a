// The editing commands that go through the security and trade dialogs: adding and changing a
// security, adding and changing a trade of the selected security.

#include "window/Main.h"

#include "dialogs/SecurityDialog.h"
#include "dialogs/TradeDialog.h"
#include "window/Shown.h"

#include "platform/DateTime.h"
#include "portfolio/Cv.h"

#include <QTabWidget>
#include <QTimer>

#include <algorithm>
#include <exception>
#include <memory>
#include <optional>
#include <string>

namespace {

// A market or sector left empty takes the program's default.
FicheTitre AvecDefauts(FicheTitre fiche) {
    if (fiche.NomBourse.empty())
        fiche.NomBourse = "Paris";
    if (fiche.Activite.empty())
        fiche.Activite = "Divers";
    return fiche;
}

// The security dialog, shown to the rest of the program while it is open; false when it is
// cancelled.
bool RunSecurityDialog(UiPrompts& prompts, TOKBottomDlg& dialog) {
    const Shown<TOKBottomDlg> shown(OKBottomDlg, &dialog);
    return prompts.RunDialog(dialog);
}

// The add and the change commands refuse an entered security in the same words.
constexpr char kTitreIncomplet[] = "Le code valeur et le libellé doivent être saisis.";
constexpr char kTitreExistant[] = "Cette valeur existe déjà!";

void RefuseTitre(UiPrompts& prompts, QWidget* parent, const char* raison) {
    prompts.Message(parent, QString(), QString::fromUtf8(raison), QMessageBox::Warning,
                    QMessageBox::Ok);
}

// A quote typed by hand: nothing of the day's quote but the price, stamped now.
InfosCours CoursSaisi(std::int32_t cours) {
    InfosCours infos{};
    infos.Cours = cours;
    infos.Date = platform::Date();
    infos.Heure = platform::TimeOf(platform::Now());
    return infos;
}

} // namespace

void TMainForm::AddValExecute() {
    if (!EditingAllowed(AddVal))
        return;
    TCorv& doc = *FPortefeuille;
    TOKBottomDlg dialog(this, &doc, *FPrompts);
    if (!RunSecurityDialog(*FPrompts, dialog))
        return;
    const std::optional<FicheTitre> saisie = dialog.Resultat();
    if (!saisie)
        return;

    const FicheTitre s = AvecDefauts(*saisie);
    if (s.Code.empty() || s.Libelle.empty()) {
        RefuseTitre(*FPrompts, this, kTitreIncomplet);
    } else {
        Valeurs modele;
        modele.Code = s.Code;
        modele.Libelle = s.Libelle;
        modele.NomBourse = s.NomBourse;
        modele.Activite = s.Activite;
        modele.Infos = CoursSaisi(s.Cours);
        modele.SRD = s.SRD;
        modele.SuiviAuto = s.SuiviAuto;
        std::string refus;
        Valeurs* nouveau = doc.AddTitre(modele, &refus);
        FSelTitre = nouveau;
        if (nouveau != nullptr)
            doc.Modifie = true;
        else
            RefuseTitre(*FPrompts, this, refus.empty() ? kTitreExistant : refus.c_str());
    }
    BuildTree();
}

void TMainForm::ModifValExecute() {
    Valeurs* titre = SelectedTitre();
    if (!EditingAllowed(ModifVal) || titre == nullptr)
        return;
    TCorv& doc = *FPortefeuille;
    // A refresh while the dialog is open may change the quote: only a typed price replaces it.
    const std::int32_t ancienCours = titre->Infos.Cours;
    TOKBottomDlg dialog(this, &doc, *FPrompts, titre);
    if (!RunSecurityDialog(*FPrompts, dialog))
        return;
    // OK marks the document modified even when nothing changed; the security then stays
    // exactly as it was.
    const std::optional<FicheTitre> saisie = dialog.Resultat();
    if (!saisie) {
        doc.Modifie = true;
        return;
    }

    // Codes name the history files and must stay unique: a change that would lose either is
    // refused before anything is written, as the add command refuses it.
    const FicheTitre s = AvecDefauts(*saisie);
    if (s.Code.empty() || s.Libelle.empty()) {
        RefuseTitre(*FPrompts, this, kTitreIncomplet);
        return;
    }
    if (const Valeurs* autre = doc.FindTitre(s.Code); autre != nullptr && autre != titre) {
        RefuseTitre(*FPrompts, this, kTitreExistant);
        return;
    }
    // A new code passes the gate that AddTitre applies.
    if (const std::string refus = s.Code != titre->Code ? TCorv::CodeRefuse(s.Code) : "";
        !refus.empty()) {
        RefuseTitre(*FPrompts, this, refus.c_str());
        return;
    }

    doc.Modifie = true;
    if (s.Code != titre->Code && doc.TitreHisto == titre) {
        // The loaded history is the old code's file: the next reader loads the new one's.
        doc.TitreHisto = nullptr;
        doc.DateHisto = 0.0;
    }
    titre->Code = s.Code;
    titre->SRD = s.SRD;
    const bool libelleChange = s.Libelle != titre->Libelle;
    titre->Libelle = s.Libelle;
    titre->NomBourse = s.NomBourse;
    titre->Activite = s.Activite;
    // Manual securities are drawn apart in the tree.
    const bool suiviChange = s.SuiviAuto != titre->SuiviAuto;
    titre->SuiviAuto = s.SuiviAuto;

    if (s.Cours != ancienCours) {
        titre->Infos = CoursSaisi(s.Cours);
        RefreshViews(titre);
        bool journalisee = false;
        try {
            journalisee = CheckAlarmesLogged(doc, titre);
        } catch (...) {
            ReportUnloggedAlarms();
            throw;
        }
        ReportUnloggedAlarms();
        if (journalisee) {
            doc.AlarmeNouvelle = true;
            TimeLogs->start();
        }
    }
    if (libelleChange) {
        doc.SortTitres();
        BuildTree();
    } else if (suiviChange) {
        BuildTree();
    }
    FillTitres();
}

void TMainForm::AddOpereExecute() {
    Valeurs* titre = SelectedTitre();
    if (!EditingAllowed(AddOpere) || titre == nullptr)
        return;
    TCorv& doc = *FPortefeuille;
    Operes* edite = nullptr;
    if (FEditOpereMode) {
        // Only a trade of the security shown.
        const auto& operes = titre->Operes;
        if (std::none_of(operes.begin(), operes.end(),
                         [this](const auto& op) { return op.get() == FEditOpere; }))
            return;
        edite = FEditOpere;
    }

    PageCtl1->setCurrentWidget(PageCtl1->widget(1)); // "Opérés"
    std::exception_ptr erreur;
    {
        TAddOper dialog(this, &doc, edite, titre, *FPrompts,
                        [this](Valeurs* t) { RefreshViews(t); });
        // The security is redisplayed however the dialog ends: "OK && Suivant" may have
        // stored trades already.
        try {
            bool ok = false;
            {
                const Shown<TAddOper> shown(AddOper, &dialog);
                ok = FPrompts->RunDialog(dialog);
            }
            const std::optional<Operes> saisie = ok ? dialog.Resultat() : std::nullopt;
            if (ok && edite != nullptr) {
                // A trade validated loses its tick, changed or not; untouched, it keeps
                // every other value exactly.
                if (saisie)
                    *edite = *saisie;
                edite->Pointe = false;
                doc.Modifie = true;
            } else if (saisie) {
                titre->Operes.push_back(std::make_unique<Operes>(*saisie));
                doc.Modifie = true;
            }
        } catch (...) {
            erreur = std::current_exception();
        }
        try {
            RefreshViews(titre);
        } catch (...) {
            if (!erreur)
                erreur = std::current_exception();
        }
    }
    BuildTree();
    if (erreur)
        std::rethrow_exception(erreur);
}

void TMainForm::UpdOpExecute() {
    Operes* opere = SelectedOpere();
    if (!EditingAllowed(UpdOp) || opere == nullptr)
        return;
    struct Mode {
        TMainForm& f;
        Mode(TMainForm& form, Operes* op) : f(form) {
            f.FEditOpere = op;
            f.FEditOpereMode = true;
        }
        ~Mode() {
            f.FEditOpereMode = false;
            f.FEditOpere = nullptr;
        }
        Mode(const Mode&) = delete;
        Mode& operator=(const Mode&) = delete;
    };
    {
        const Mode mode(*this, opere);
        AddOpereExecute();
    }
    BuildTree();
}
