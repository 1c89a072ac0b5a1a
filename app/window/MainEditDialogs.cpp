// The editing commands that go through the security and trade dialogs: adding and changing a
// security, adding and changing a trade of the selected security.

#include "window/Main.h"

#include "dialogs/SecurityDialog.h"
#include "dialogs/TradeDialog.h"
#include "widgets/QtDates.h"
#include "window/Shown.h"

#include "platform/DateTime.h"
#include "portfolio/Cv.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>
#include <exception>
#include <string>

namespace {

std::string Texte(const QLineEdit* champ) {
    return champ->text().toStdString();
}

// What the security dialog gives, read whole before anything is written.
struct SaisieTitre {
    std::string Code;
    std::string Libelle;
    std::string NomBourse;
    std::string Activite;
    std::int32_t Cours = 0;
    bool SRD = false;
    bool SuiviAuto = false;
};

SaisieTitre LitTitre(const TOKBottomDlg& dialog, const TCorv& doc) {
    SaisieTitre s;
    s.Code = Texte(dialog.CodeV);
    s.Libelle = Texte(dialog.LibV);
    s.NomBourse = Texte(dialog.NomBourse);
    s.Activite = Texte(dialog.Activite);
    if (s.NomBourse.empty())
        s.NomBourse = "Paris";
    if (s.Activite.empty())
        s.Activite = "Divers";
    s.Cours = doc.TextToCents(Texte(dialog.Cours));
    s.SRD = dialog.CBReg->currentIndex() != 0;
    s.SuiviAuto = dialog.SuiviAuto->isChecked();
    return s;
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
    if (!EditingAllowed())
        return;
    TCorv& doc = *FPortefeuille;
    TOKBottomDlg dialog(this, &doc, *FPrompts);
    dialog.CBReg->setCurrentIndex(1);
    if (!RunSecurityDialog(*FPrompts, dialog))
        return;

    const SaisieTitre s = LitTitre(dialog, doc);
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
    if (!EditingAllowed() || titre == nullptr)
        return;
    TCorv& doc = *FPortefeuille;
    const std::int32_t ancienCours = titre->Infos.Cours;

    TOKBottomDlg dialog(this, &doc, *FPrompts);
    dialog.CodeV->setText(QString::fromStdString(titre->Code));
    dialog.LibV->setText(QString::fromStdString(titre->Libelle));
    dialog.NomBourse->setText(QString::fromStdString(titre->NomBourse));
    dialog.Activite->setText(QString::fromStdString(titre->Activite));
    dialog.Cours->setText(TOKBottomDlg::Montant(ancienCours));
    dialog.CBReg->setCurrentIndex(titre->SRD ? 1 : 0);
    dialog.SuiviAuto->setChecked(titre->SuiviAuto);
    dialog.BtChoose->setEnabled(false);
    if (!RunSecurityDialog(*FPrompts, dialog))
        return;

    // Codes name the history files and must stay unique: a change that would lose either is
    // refused before anything is written, as the add command refuses it.
    const SaisieTitre s = LitTitre(dialog, doc);
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
    if (!EditingAllowed() || titre == nullptr)
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
        TAddOper dialog(this, &doc, edite, titre, *FPrompts);
        dialog.FRefresh = [this](Valeurs* t) { RefreshViews(t); };
        dialog.Valeur->setText(QString::fromStdString(titre->Code));
        dialog.Libelle->setText(QString::fromStdString(titre->Libelle));
        if (edite != nullptr) {
            dialog.setWindowTitle(QString::fromUtf8("Modification d'un opéré"));
            dialog.Suivant->setEnabled(false);
            dialog.Suivant->setDefault(false);
            dialog.OKBtn->setDefault(true);
            // The quantity and the price recompute the fees: the stored fees come last.
            dialog.CB1->setCurrentIndex(edite->Sens == 'V' ? 1 : 0);
            dialog.Qte->setValue(edite->Quantite);
            dialog.Cours->setText(TAddOper::Montant(edite->Cours));
            dialog.PxAch->setText(TAddOper::Montant(edite->PxMoyAchBrut));
            dialog.ValBr->setText(TAddOper::Montant(edite->PlValBrut));
            dialog.ValNette->setText(TAddOper::Montant(edite->PlValNet));
            dialog.DateOp->setDate(ToQDate(edite->Date));
            dialog.SRD->setText(TAddOper::Montant(edite->FraisSRD));
            dialog.Frais1->setText(TAddOper::Montant(edite->Frais1));
            dialog.Frais2->setText(TAddOper::Montant(edite->Frais2));
            dialog.CPlusValue();
        } else {
            dialog.PxAch->setText(TAddOper::Montant(titre->Bilan.PxMoyAchBrut));
            dialog.ValBr->setText("0.00");
            dialog.ValNette->setText("0.00");
            dialog.Qte->setValue(1);
            dialog.Cours->setText(TAddOper::Montant(titre->Infos.Cours));
        }
        dialog.ReverseCashEffect();

        // The security is redisplayed however the dialog ends: "OK && Suivant" may have
        // stored trades already.
        try {
            bool ok = false;
            {
                const Shown<TAddOper> shown(AddOper, &dialog);
                ok = FPrompts->RunDialog(dialog);
            }
            if (ok) {
                const Operes saisie = dialog.Saisie();
                const bool valide = TAddOper::SaisieValide(saisie);
                if (edite != nullptr && !valide) {
                    // A trade needs a positive quantity and price: the one being modified
                    // stays as it was.
                    FPrompts->Message(this, QString(), QString::fromUtf8("Saisie incorrecte!"),
                                      QMessageBox::Warning, QMessageBox::Ok);
                } else if (edite != nullptr) {
                    doc.Modifie = true;
                    edite->Pointe = false;
                    edite->Sens = saisie.Sens;
                    edite->Quantite = saisie.Quantite;
                    edite->Date = saisie.Date;
                    edite->SRD = saisie.SRD;
                    edite->Cours = saisie.Cours;
                    edite->FraisSRD = saisie.FraisSRD;
                    edite->Frais1 = saisie.Frais1;
                    edite->Frais2 = saisie.Frais2;
                    edite->Frais = saisie.Frais;
                    edite->PxMoyAchBrut = saisie.PxMoyAchBrut;
                    edite->PlValBrut = saisie.PlValBrut;
                    edite->PlValNet = saisie.PlValNet;
                } else if (valide) {
                    auto nouveau = std::make_unique<Operes>(saisie);
                    nouveau->Pointe = false;
                    titre->Operes.push_back(std::move(nouveau));
                    doc.Modifie = true;
                }
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
    if (!EditingAllowed() || opere == nullptr)
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
