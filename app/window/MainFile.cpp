// The document commands: New, Open, Save, Save As, Exit, the drop of a file, and the commands
// that reach outside the document (help page, calculator, about box, printer set-up).

#include "window/Main.h"
#include "window/SummaryPages.h"

#include "dialogs/AboutBox.h"
#include "widgets/QtDates.h"
#include "window/Registry.h"

#include "platform/ConversionError.h"
#include "platform/TextFile.h"
#include "portfolio/Cv.h"

#include <QAction>
#include <QDateEdit>
#include <QFileInfo>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QStandardPaths>
#include <QTreeWidget>

#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

namespace {

const char* const kFiltreOuvrir = "Fichier Corvane (*.cvx)";
const char* const kFiltreEnregistrer = "Fichier Corvane (*.cvx)";

// A path that names nothing yet starts a new document bearing it; anything else must be a
// file this user can read: a folder or a device would otherwise become an empty document that
// the next save writes over.
bool Ouvrable(const std::string& path) {
    if (platform::IsReadableRegularFile(path))
        return true;
    std::error_code erreur;
    return !std::filesystem::exists(path, erreur) && !erreur;
}

// What the reader found in a file that the program would not have written, in one message:
// the first findings, then how many more, so that a damaged file does not fill the screen.
QString Remarques(const std::vector<std::string>& remarques) {
    constexpr std::size_t kMontrees = 20;
    QString texte("Le portefeuille est ouvert, mais son fichier contient ce que Corvane "
                  "n'écrit pas ainsi :");
    for (std::size_t i = 0; i < remarques.size() && i < kMontrees; ++i)
        texte += '\n' + QString::fromStdString(remarques[i]);
    if (remarques.size() > kMontrees)
        texte += QString("\n… et %1 autres remarques.").arg(remarques.size() - kMontrees);
    return texte;
}

} // namespace

bool TMainForm::ConfirmSave() {
    if (!FPortefeuille || !FPortefeuille->Modifie)
        return true;
    const QMessageBox::StandardButton reponse = FPrompts->Message(
        this, QString(), QString("Le portefeuille a été modifié.Souhaitez-vous le sauvegarder?"),
        QMessageBox::NoIcon, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (reponse == QMessageBox::Yes) {
        FileSave();
        return FPortefeuille == nullptr || !FPortefeuille->Modifie;
    }
    return reponse == QMessageBox::No;
}

bool TMainForm::RefuseOpening(const std::string& path) {
    if (Ouvrable(path))
        return false;
    FPrompts->Message(this, "Corvane", "Ouverture du fichier impossible", QMessageBox::Warning,
                      QMessageBox::Ok);
    return true;
}

// The caller has the program key open.
bool TMainForm::OpenPortefeuille(const std::string& path) {
    if (RefuseOpening(path))
        return false;
    auto nouveau = std::make_unique<TCorv>(FInstallDir);
    std::vector<std::string> remarques;
    try {
        nouveau->LoadFile(path, &remarques);
    } catch (const platform::ConversionError& erreur) {
        // The reader's line says where the file is to be mended, and what it found there.
        FPrompts->Message(this, "Corvane",
                          QString("Format de fichier incorrect!\n") +
                              QString::fromStdString(erreur.what()),
                          QMessageBox::Warning, QMessageBox::Ok);
        return false;
    }
    nouveau->LoadSettings(*FRegistry);
    FPortefeuille = std::move(nouveau);
    FSyntheses->ShowDatesLiquidation(FPortefeuille->DateLiqP, FPortefeuille->DateLiqC);
    setWindowTitle(QString::fromStdString(FPortefeuille->Fichier));
    SetEuroToggle();
    BuildTree();
    if (!remarques.empty())
        FPrompts->Message(this, "Corvane", Remarques(remarques), QMessageBox::Warning,
                          QMessageBox::Ok);
    return true;
}

void TMainForm::SetEuroToggle() {
    Commute->setChecked(true);
    Commute->setText(QString("&Affichage en ") +
                     QString::fromStdString(FPortefeuille ? FPortefeuille->LibLocal : ""));
    LibMon->setText("Affichage en Euros");
    if (FPortefeuille)
        FPortefeuille->Facteur = 1.0f;
}

void TMainForm::FileNew() {
    // A walk holds the document until it is over.
    if (RefuseWhileRefreshing(FileNewAct) || !ConfirmSave())
        return;
    // The new document is ready before the old one goes, so that a settings error leaves
    // the window with the document it had.
    OpenedKey key(*FRegistry);
    auto nouveau = std::make_unique<TCorv>(FInstallDir);
    nouveau->LoadSettings(*FRegistry);
    key.Close();
    FPortefeuille.reset();
    LT1->clear();
    setWindowTitle("Nouveau");
    FPortefeuille = std::move(nouveau);
    SetEuroToggle();
    BuildTree();
}

void TMainForm::FileOpen() {
    if (RefuseWhileRefreshing(FileOpenAct))
        return; // the walk holds the document until it is over
    const QString chemin =
        FPrompts->OpenFileName(this, QString("Ouvrir"), QString::fromUtf8(kFiltreOuvrir));
    // A path that cannot be opened changes nothing: no save is asked, the tree stays.
    if (chemin.isEmpty() || RefuseOpening(chemin.toStdString()))
        return;
    if (!ConfirmSave())
        return;
    OpenedKey key(*FRegistry);
    LT1->clear();
    if (OpenPortefeuille(chemin.toStdString()))
        FRegistry->WriteString("CURRENT", chemin.toStdString());
    key.Close();
}

void TMainForm::ReportSaveFailure(const std::string& path, const std::string& raison,
                                  const QString& consequence) {
    FPrompts->Message(
        this, "Corvane",
        QString("Impossible d'enregistrer le portefeuille dans « %1 » : %2.\n%3")
            .arg(QString::fromStdString(path), QString::fromStdString(raison), consequence),
        QMessageBox::Warning, QMessageBox::Ok);
}

bool TMainForm::MayReplace(const std::string& path) {
    return FPrompts->Ask(this, "Corvane",
                         QString("Le fichier « %1 » a été modifié, remplacé ou supprimé depuis "
                                 "que cette fenêtre l'a ouvert ou enregistré (par une autre "
                                 "fenêtre de Corvane ou un autre programme).\nLe remplacer par "
                                 "ce portefeuille ?\n\nNon laisse le fichier tel qu'il est sur le "
                                 "disque ; le portefeuille reste à enregistrer, sous un autre "
                                 "nom par exemple.")
                             .arg(QString::fromStdString(path)),
                         QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No,
                         QMessageBox::No) == QMessageBox::Yes;
}

// Writes the document at the path; the document's path, CURRENT and the caption follow only
// a save that succeeded, so that they never name a file that does not hold the document.
bool TMainForm::SaveTo(const std::string& path) {
    const std::string ancien = FPortefeuille->Fichier;
    FPortefeuille->Fichier = path;
    const auto abandon = [&] {
        FPortefeuille->Fichier = ancien;
        return false; // the document stays modified: nothing was saved
    };
    // A folder or a device at the path is not replaced by the document.
    if (platform::IsUnfitTarget(path)) {
        ReportSaveFailure(path, "l'emplacement n'est pas un fichier",
                          QString("Le portefeuille n'a pas été enregistré."));
        return abandon();
    }
    // What the user agreed to replace, once asked: the file must still be that when the save
    // has the lock back, or the user is asked again.
    std::optional<platform::FileFingerprint> accorde;
    for (;;) {
        const TCorv::SaveResult resultat = FPortefeuille->SaveFileChecked(accorde);
        if (resultat.status == TCorv::SaveResult::Status::Saved)
            break;
        if (resultat.status == TCorv::SaveResult::Status::Failed) {
            ReportSaveFailure(path, resultat.raison,
                              QString("Le portefeuille n'a pas été enregistré."));
            return abandon();
        }
        if (!MayReplace(path))
            return abandon();
        accorde = resultat.surDisque;
    }
    OpenedKey key(*FRegistry);
    FRegistry->WriteString("CURRENT", path);
    key.Close();
    return true;
}

void TMainForm::FileSave() {
    if (!FPortefeuille)
        return;
    if (FPortefeuille->Fichier.empty()) {
        FileSaveAs();
        return;
    }
    SaveTo(FPortefeuille->Fichier);
}

void TMainForm::FileSaveAs() {
    if (!FPortefeuille)
        return;
    const QString chemin = FPrompts->SaveFileName(
        this, QString("Enregistrer sous"), QString::fromUtf8(kFiltreEnregistrer), "cvx", "portef");
    if (chemin.isEmpty())
        return;
    if (SaveTo(chemin.toStdString()))
        setWindowTitle(chemin);
}

void TMainForm::FileExit() {
    if (Refreshing()) {
        close(); // put off until the walk is over, as the close box is
        return;
    }
    if (!ConfirmSave())
        return;
    FPortefeuille.reset();
    close();
}

void TMainForm::DropFiles(const QStringList& paths) {
    if (paths.size() != 1)
        return;
    const std::string nom = paths.constFirst().toStdString();
    if (RefuseOpening(nom) || !ConfirmSave())
        return;
    OpenedKey key(*FRegistry);
    LT1->clear();
    if (OpenPortefeuille(nom))
        FRegistry->WriteString("CURRENT", nom);
    key.Close();
}

void TMainForm::HelpContents() {
    const std::string repertoire = FPortefeuille ? FPortefeuille->Repertoire : FInstallDir;
    const QString page = QString::fromStdString(repertoire) + "/help/guide.htm";
    if (!QFileInfo::exists(page) || !FPrompts->OpenLocalFile(page))
        FPrompts->Message(this, "Corvane", QString("Impossible d'ouvrir l'aide « %1 ».").arg(page),
                          QMessageBox::Warning, QMessageBox::Ok);
}

void TMainForm::CalculetteExecute() {
    for (const char* programme : {"gnome-calculator", "kcalc", "galculator", "xcalc"}) {
        if (QStandardPaths::findExecutable(programme).isEmpty())
            continue;
        if (FPrompts->StartProgram(programme, {}))
            return;
    }
    FPrompts->Message(this, "Corvane",
                      QString("Aucune calculatrice n'a été trouvée (gnome-calculator, "
                              "kcalc, galculator ou xcalc)."),
                      QMessageBox::Warning, QMessageBox::Ok);
}

void TMainForm::HelpAbout() {
    if (Form3 != nullptr) {
        FPrompts->RunDialog(*Form3);
        return;
    }
    TForm3 apropos(this);
    FPrompts->RunDialog(apropos);
}

// Sets up the printer's page for the reports to come; nothing is printed here, so the dialog
// is the page set-up one, whose button validates rather than prints.
void TMainForm::FilePrintSetup() {
    QPageSetupDialog dialog(FPrinter.get(), this);
    dialog.setObjectName("FilePrintSetup");
    dialog.setWindowTitle("Configuration imprimante");
    FPrompts->RunDialog(dialog);
}
