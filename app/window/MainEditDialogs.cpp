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

void RefuseTitre(UiPrompts& prompts, QWidget* parent, const Refus& refus) {
    prompts.Message(parent, QString(), QString::fromStdString(refus.Texte()), QMessageBox::Warning,
                    QMessageBox::Ok);
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

    Valeurs* ajoute = nullptr;
    if (const Refus refus = doc.AddTitre(AvecDefauts(*saisie), &ajoute))
        RefuseTitre(*FPrompts, this, refus);
    FSelTitre = ajoute;
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
    TCorv::ChangementTitre change;
    if (const Refus refus = doc.ReplaceTitre(
            titre, saisie ? AvecDefauts(*saisie) : FicheTitre::De(*titre), ancienCours, &change)) {
        RefuseTitre(*FPrompts, this, refus);
        return;
    }
    if (!saisie)
        return;

    if (change.Cours) {
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
            doc.SignaleAlarme();
            TimeLogs->start();
        }
    }
    // Manual securities are drawn apart in the tree.
    if (change.Libelle || change.SuiviAuto)
        BuildTree();
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
        // "OK" and "OK && Suivant" store through the same operation.
        TAddOper dialog(
            this, &doc, edite, titre, *FPrompts,
            [&doc, titre, edite](const Operes& saisie, Operes** stocke) {
                return doc.EnregistreOpere(titre, edite, saisie, stocke);
            },
            [this](Valeurs* t) { RefreshViews(t); });
        // The security is redisplayed however the dialog ends: "OK && Suivant" may have
        // stored trades already.
        try {
            const Shown<TAddOper> shown(AddOper, &dialog);
            FPrompts->RunDialog(dialog);
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
