// The document commands: New, Open, Save, Save As, Exit, the drop of a file, and the commands
// that reach outside the document (help page, calculator, about box, printer set-up).

#include "Main.h"

#include "QtDates.h"
#include "Registry.h"
#include "dialogs/Unit3.h"

#include "platform/ConversionError.h"
#include "portfolio/Cv.h"

#include <QAction>
#include <QDateEdit>
#include <QFileInfo>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QStandardPaths>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>

namespace {

const char* const kFiltreOuvrir = "Fichier Corvane (*.cvx)";
const char* const kFiltreEnregistrer = "Fichier Corvane (*.cvx)";

// True when the path names something that exists but cannot be read as a file.
bool IsUnreadable(const std::string& path) {
    std::error_code erreur;
    const auto etat = std::filesystem::status(path, erreur);
    if (erreur || !std::filesystem::exists(etat))
        return false;
    if (std::filesystem::is_directory(etat))
        return true;
    std::ifstream fichier(path, std::ios::binary);
    return !fichier.is_open();
}

} // namespace

bool TMainForm::ConfirmSave() {
    if (!FPortefeuille || !FPortefeuille->Modifie)
        return true;
    const QMessageBox::StandardButton reponse = FPrompts->Message(
        this, QString(),
        QString::fromUtf8("Le portefeuille a été modifié.Souhaitez-vous le sauvegarder?"),
        QMessageBox::NoIcon, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (reponse == QMessageBox::Yes) {
        FileSave();
        return FPortefeuille == nullptr || !FPortefeuille->Modifie;
    }
    return reponse == QMessageBox::No;
}

// The caller has the program key open.
bool TMainForm::OpenPortefeuille(const std::string& path) {
    // Only a path that does not exist yet starts a new document bearing it: a file that
    // exists but cannot be read would otherwise be overwritten by the next save.
    if (IsUnreadable(path)) {
        FPrompts->Message(this, "Corvane",
                          QString::fromUtf8("Impossible de lire le fichier « %1 ».")
                              .arg(QString::fromStdString(path)),
                          QMessageBox::Warning, QMessageBox::Ok);
        return false;
    }
    auto nouveau = std::make_unique<TCorv>(FInstallDir);
    try {
        nouveau->LoadFile(path);
    } catch (const platform::ConversionError&) {
        FPrompts->Message(this, "Corvane", "Format de fichier incorrect!", QMessageBox::Warning,
                          QMessageBox::Ok);
        return false;
    }
    nouveau->LoadSettings(*FRegistry);
    FPortefeuille = std::move(nouveau);
    DateLC->setDate(ToQDate(FPortefeuille->DateLiqC));
    DateLP->setDate(ToQDate(FPortefeuille->DateLiqP));
    setWindowTitle(QString::fromStdString(FPortefeuille->Fichier));
    SetEuroToggle();
    BuildTree();
    return true;
}

void TMainForm::SetEuroToggle() {
    Commute->setChecked(true);
    Commute->setText(QString::fromUtf8("&Affichage en ") +
                     QString::fromStdString(FPortefeuille ? FPortefeuille->LibLocal : ""));
    LibMon->setText("Affichage en Euros");
    if (FPortefeuille)
        FPortefeuille->Facteur = 1.0f;
}

void TMainForm::FileNew() {
    // A walk holds the document until it is over (Quote refresh).
    if (FRefreshing || !ConfirmSave())
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
    if (FRefreshing)
        return; // the walk holds the document until it is over
    const QString chemin =
        FPrompts->OpenFileName(this, QString::fromUtf8("Ouvrir"), QString::fromUtf8(kFiltreOuvrir));
    if (chemin.isEmpty())
        return;
    if (!ConfirmSave())
        return;
    OpenedKey key(*FRegistry);
    LT1->clear();
    if (OpenPortefeuille(chemin.toStdString()))
        FRegistry->WriteString("CURRENT", chemin.toStdString());
    key.Close();
}

// Writes the document at the path; the document's path, CURRENT and the caption follow only
// a save that succeeded, so that they never name a file that does not hold the document.
bool TMainForm::SaveTo(const std::string& path) {
    const std::string ancien = FPortefeuille->Fichier;
    FPortefeuille->Fichier = path;
    if (!FPortefeuille->SaveFile()) {
        FPortefeuille->Fichier = ancien;
        FPrompts->Message(this, "Corvane",
                          QString::fromUtf8("Impossible d'enregistrer le portefeuille dans « "
                                            "%1 ».\nLe portefeuille n'a pas été enregistré.")
                              .arg(QString::fromStdString(path)),
                          QMessageBox::Warning, QMessageBox::Ok);
        return false;
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
    const QString chemin =
        FPrompts->SaveFileName(this, QString::fromUtf8("Enregistrer sous"),
                               QString::fromUtf8(kFiltreEnregistrer), "cvx", "portef");
    if (chemin.isEmpty())
        return;
    if (SaveTo(chemin.toStdString()))
        setWindowTitle(chemin);
}

void TMainForm::FileExit() {
    if (FRefreshing) {
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
    if (!ConfirmSave())
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
        FPrompts->Message(this, "Corvane",
                          QString::fromUtf8("Impossible d'ouvrir l'aide « %1 ».").arg(page),
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
                      QString::fromUtf8("Aucune calculatrice n'a été trouvée (gnome-calculator, "
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

void TMainForm::FilePrintSetup() {
    QPrintDialog dialog(FPrinter.get(), this);
    dialog.setWindowTitle("Configuration imprimante");
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    FPrompts->RunDialog(dialog);
}
