// The commands that open the dialogs working on the whole document rather than on one record:
// the statement check, the history editor with the split of the trades, the transfer of the
// portfolio into a new file, the history import and the printed reports.

#include "window/Main.h"

#include "dialogs/HistoryEditorDialog.h"
#include "dialogs/HistoryImportDialog.h"
#include "dialogs/ReconciliationDialog.h"
#include "dialogs/SplitDialog.h"
#include "dialogs/TransferDialog.h"
#include "reports/PortfolioReport.h"
#include "reports/SecuritiesReport.h"
#include "reports/TradesReport.h"
#include "window/Shown.h"

#include "platform/DateTime.h"
#include "platform/TextFile.h"
#include "portfolio/Cv.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QTabWidget>
#include <QTreeWidget>

#include <cmath>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

namespace {

// Whether two paths name one file: through links when both exist, else by their text.
bool SameFile(const QString& a, const QString& b) {
    if (a.isEmpty() || b.isEmpty())
        return false;
    const QFileInfo fa(a);
    const QFileInfo fb(b);
    if (fa.exists() && fb.exists())
        return fa.canonicalFilePath() == fb.canonicalFilePath();
    return QDir::cleanPath(fa.absoluteFilePath()) == QDir::cleanPath(fb.absoluteFilePath());
}

// A split takes effect after its last day: every trade of that day, whatever its time, was
// made at the old prices.
double EndOfDay(platform::TDateTime jour) {
    return std::nextafter(platform::DateOf(jour) + 1.0, -std::numeric_limits<double>::infinity());
}

} // namespace

void TMainForm::CtlRelExecute() {
    if (!EditingAllowed(CtlRel))
        return;
    {
        TForm5 dialog(this);
        dialog.FPortefeuille = FPortefeuille.get();
        dialog.FillList();
        const Shown<TForm5> shown(Form5, &dialog);
        // The dialog stores each tick in its trade as it is clicked, whichever way it closes.
        FPrompts->RunDialog(dialog);
    }
    RefreshViews(nullptr);
}

void TMainForm::HistoExecute() {
    Valeurs* titre = SelectedTitre();
    if (!EditingAllowed(Histo) || titre == nullptr)
        return;
    bool division = false;
    int ratio = 0;
    platform::TDateTime jusqua = 0.0;
    {
        TFHisto dialog(this, &division, titre, FPortefeuille.get(), *FPrompts);
        if (!FPrompts->RunDialog(dialog))
            return;
        ratio = dialog.DivisionRatio();
        jusqua = dialog.DivisionDate();
    }
    if (division && ratio >= TDivision::kRatioMin) {
        // The history file already holds the split: the trades must be saved with it, or the
        // portfolio would be closed without a word and reopened with unsplit trades. The editor
        // asked the document before it split the history, so a refusal here is one it could
        // not foresee, and is told.
        if (const Refus refus = FPortefeuille->DiviseTitre(titre, ratio, EndOfDay(jusqua)))
            FPrompts->Message(this, "Corvane", QString::fromStdString(refus.Texte()),
                              QMessageBox::Warning, QMessageBox::Ok);
        BuildTree();
    }
    if (PageCtl1->tabText(PageCtl1->currentIndex()) == "Graphiques")
        ShowGraphiques(titre);
}

void TMainForm::ActTransfertExecute() {
    if (!EditingAllowed(ActTransfert))
        return;
    TransfertOptions options;
    {
        TTransfert dialog(this, *FPrompts);
        if (!FPrompts->RunDialog(dialog))
            return;
        options = dialog.Options();
    }
    const QString saisi = QString::fromStdString(options.Fichier).trimmed();
    if (saisi.isEmpty())
        return;
    // The document's own file keeps the portfolio as last saved, and a file named later is
    // opened from anywhere: the new file is recorded by its full path.
    const QString nouveau = QFileInfo(saisi).absoluteFilePath();
    TCorv& doc = *FPortefeuille;
    const QString corvane = QString("Corvane");
    if (SameFile(nouveau, QString::fromStdString(doc.Fichier))) {
        FPrompts->Message(this, corvane,
                          QString("Le portefeuille ne peut pas être transféré dans son "
                                  "propre fichier « %1 ».\nIndiquez un nouveau fichier.")
                              .arg(nouveau),
                          QMessageBox::Warning, QMessageBox::Ok);
        return;
    }
    // A folder or a device at the path is no file to hold the portfolio: nothing is purged
    // nor written.
    if (platform::IsUnfitTarget(nouveau.toStdString())) {
        FPrompts->Message(this, corvane, "Ouverture du fichier impossible", QMessageBox::Warning,
                          QMessageBox::Ok);
        return;
    }
    const auto remplacer = [&] {
        return FPrompts->Message(this, corvane,
                                 QString("Le fichier « %1 » existe déjà.\nVoulez-vous le "
                                         "remplacer par le portefeuille transféré ?")
                                     .arg(nouveau),
                                 QMessageBox::Warning,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    };
    // What the transfer may replace: what stands at the path when the user is asked (nothing
    // when nothing is there). The save checks it again under the folder's lock.
    platform::FileFingerprint accorde = platform::FingerprintOfFile(nouveau.toStdString());
    if (QFileInfo::exists(nouveau) && !remplacer())
        return;

    Valeurs* selection = SelectedTitre();
    TransfertEnCours transfert(doc);
    if (const Refus refus = transfert.Restructure(options.Suppr, options.Cumul, options.Intitule)) {
        FPrompts->Message(this, corvane,
                          QString::fromStdString(refus.Texte()) +
                              QString("\nLe transfert n'a pas eu lieu : le portefeuille en "
                                      "cours est inchangé."),
                          QMessageBox::Warning, QMessageBox::Ok);
        return;
    }
    doc.Fichier = nouveau.toStdString();
    for (;;) {
        const TCorv::SaveResult resultat = doc.SaveFileChecked(accorde);
        if (resultat.status == TCorv::SaveResult::Status::Saved)
            break;
        if (resultat.status == TCorv::SaveResult::Status::Failed) {
            ReportSaveFailure(doc.Fichier, resultat.raison,
                              QString("Le transfert n'a pas eu lieu : le portefeuille en "
                                      "cours est inchangé."));
            return;
        }
        // Written there since the question, by another window or program.
        if (!remplacer())
            return;
        accorde = resultat.surDisque;
    }
    transfert.Garder();
    setWindowTitle(nouveau);

    // The tree and the lists let go of the original records before these are freed.
    if (selection != nullptr) {
        FSelTitre = transfert.CopyOf(selection);
        if (FSelTitre == nullptr)
            LT1->setCurrentItem(LT1->topLevelItem(0));
    }
    BuildTree();
    ForgetTradeRows();

    OpenedKey key(*FRegistry);
    FRegistry->WriteString("CURRENT", doc.Fichier);
    key.Close();
}

void TMainForm::Importationdhistoriques1Click() {
    if (!EditingAllowed(Importationdhistoriques1))
        return;
    bool importe = false;
    {
        TFImport dialog(this, FPortefeuille.get(), nullptr, *FPrompts);
        importe = FPrompts->RunDialog(dialog);
    }
    if (importe)
        RefreshViews(nullptr);
}

// The reports read the document as last computed; each preview is modal and returns once it
// is closed.
void TMainForm::EdiPortExecute() {
    if (!FPortefeuille)
        return;
    TEdit1 edit(this, FPortefeuille.get());
    edit.Preview(*Printer(), *FPrompts);
}

void TMainForm::EditTitreExecute() {
    if (!FPortefeuille)
        return;
    TEdit2 edit(this, FPortefeuille.get());
    edit.Preview(*Printer(), *FPrompts);
}

void TMainForm::EditValExecute() {
    Valeurs* titre = SelectedTitre();
    if (!FPortefeuille || titre == nullptr)
        return;
    TEdit3 edit(this, titre, FPortefeuille.get());
    edit.Preview(*Printer(), *FPrompts);
}
