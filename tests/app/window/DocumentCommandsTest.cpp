// The document commands: the save prompt, New, Open, Save, Save As, Exit, the drop of files,
// and the commands that leave the program (help page, calculator).

#include "../AppTestSupport.h"

#include "platform/TextFile.h"
#include "portfolio/Cv.h"
#include "support/Builders.h"

#include <QAbstractButton>
#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTreeWidget>
#include <QUrl>

#include <cstdlib>
#include <set>
#include <sys/stat.h>

namespace {

class DocumentTest : public WindowTest {
protected:
    std::string Current() {
        std::string courant;
        ReadKey([&](platform::SettingsStore& s) { courant = s.ReadString("CURRENT"); });
        return courant;
    }
    void Modify() { form->Portefeuille()->Modifie = true; }
    // The document open, the caption and the last file used all name the path; none at all
    // for the untitled document of the start.
    void ExpectDocument(const std::string& path) {
        EXPECT_EQ(form->Portefeuille()->Fichier, path);
        EXPECT_EQ(form->windowTitle(), path.empty() ? "Corvane" : QString::fromStdString(path));
        EXPECT_EQ(Current(), path);
    }
    void Open(const std::string& path) {
        prompts.openNames = {QString::fromStdString(path)};
        form->FileOpen();
    }
    // A warning of the program's own title.
    void ExpectWarning(const ShownMessage& message, const QString& text) {
        EXPECT_EQ(message.title, "Corvane");
        EXPECT_EQ(message.text, text);
        EXPECT_EQ(message.icon, QMessageBox::Warning);
    }
};

TEST_F(DocumentTest, SavePromptAnswers) {
    // Nothing to save: no question.
    EXPECT_TRUE(form->ConfirmSave());
    EXPECT_TRUE(prompts.messages.empty());

    Modify();
    prompts.answers = {QMessageBox::Cancel};
    EXPECT_FALSE(form->ConfirmSave());
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].title, "");
    EXPECT_EQ(prompts.messages[0].text,
              QString("Le portefeuille a été modifié.Souhaitez-vous le sauvegarder?"));
    EXPECT_EQ(prompts.messages[0].buttons,
              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_TRUE(form->Portefeuille()->Modifie);

    prompts.answers = {QMessageBox::No};
    EXPECT_TRUE(form->ConfirmSave());
    EXPECT_TRUE(form->Portefeuille()->Modifie);

    // Yes on a document without a path asks one; cancelling it answers false.
    prompts.answers = {QMessageBox::Yes};
    EXPECT_FALSE(form->ConfirmSave());
    EXPECT_TRUE(form->Portefeuille()->Modifie);

    // Given one, the document moves there: the caption and the last file used follow.
    const std::string chemin = Path("oui.cvx");
    prompts.answers = {QMessageBox::Yes};
    prompts.saveNames = {QString::fromStdString(chemin)};
    EXPECT_TRUE(form->ConfirmSave());
    EXPECT_EQ(prompts.messages.size(), 4u) << "the questions only";
    EXPECT_FALSE(form->Portefeuille()->Modifie);
    EXPECT_TRUE(std::filesystem::exists(chemin));
    ExpectDocument(chemin);
}

TEST_F(DocumentTest, OpenMalformedFileKeepsThePreviousDocument) {
    const std::string bon = WriteFile("bon.cvx", kGoodFile);
    Open(bon);
    TCorv* precedent = form->Portefeuille();
    ASSERT_EQ(precedent->Fichier, bon);

    // The reader's line comes after the text, telling where and what to mend.
    const std::vector<std::pair<std::string, QString>> cas = {
        {kBadFile, "Ligne 3 du portefeuille : 'xx/02/26' n'est pas une date correcte"},
        {"0|*\nG|5.000000|5.000000|*\nC|A|L|P|S|1|01/01/26|10:00:00|0.00|0|0|F|F|"
         "0|0|0|0|0|0|0|0|0|0|0|0|0|*\nO|A|F|01/01/26|A|10|12abc|5|6|*\n",
         "Ligne 4 du portefeuille : '12abc' n'est pas un prix correct"},
    };
    for (const auto& [texte, ligne] : cas) {
        prompts.messages.clear();
        Open(WriteFile("mauvais.cvx", texte));
        ASSERT_EQ(prompts.messages.size(), 1u);
        ExpectWarning(prompts.messages[0], "Format de fichier incorrect!\n" + ligne);
        EXPECT_EQ(form->Portefeuille(), precedent);
        ExpectDocument(bon);
    }
}

// What the reader found in a file the program would not have written is told once, in one
// message, with the document already open and whole.
TEST_F(DocumentTest, OpenTellsOnceWhatTheFileHeldBeyondTheWritersForm) {
    const std::string c = "|L|P|S|1|01/01/2026|10:00:00|0.00|0|0|F|F|"
                          "0|0|0|0|0|0|0|0|0|0|0|0|0|*\n";
    const std::string chemin =
        WriteFile("autre.cvx", "0|*\nC|AB" + c + "O|AB|F|01/02/26|A|10|100|5|6|*\nC|AB" + c +
                                   "O|AB|F|02/02/26|A|1|100|5|6|*\nM|01/02/26|F|C|100|note\n");
    bool ouvertAvant = false;
    prompts.onMessage = [&](const ShownMessage&) {
        ouvertAvant = form->Portefeuille()->Fichier == chemin;
    };
    Open(chemin);
    ASSERT_EQ(prompts.messages.size(), 1u);
    ExpectWarning(prompts.messages[0],
                  "Le portefeuille est ouvert, mais son fichier contient ce que Corvane "
                  "n'écrit pas ainsi :\n"
                  "Ligne 4 : titre « AB » décrit deux fois (lignes 2 et 4) : il est montré comme "
                  "un seul titre, avec les opérations, les alarmes et les positions reportées "
                  "des deux, et décrit par la ligne 4.\n"
                  "Ligne 6 : la ligne du mouvement du 01/02/26 ne finit pas par « * » : « note » "
                  "est lu comme son commentaire.");
    EXPECT_TRUE(ouvertAvant);
    ExpectDocument(chemin);
    ASSERT_EQ(form->Portefeuille()->Titres.size(), 1u);
    EXPECT_EQ(form->Portefeuille()->Titres[0]->Operes.size(), 2u);
    EXPECT_EQ(form->Portefeuille()->Mouvements.size(), 1u);
}

TEST_F(DocumentTest, OpenExistingButUnreadablePathIsAnError) {
    const std::string bon = WriteFile("bon.cvx", kGoodFile);
    Open(bon);
    TCorv* precedent = form->Portefeuille();
    Modify();
    QTreeWidget* arbre = form->findChild<QTreeWidget*>("LT1");
    const int noeuds = arbre->topLevelItemCount();
    const std::string dossier = Path("dossier.cvx");
    std::filesystem::create_directory(dossier);
    // Neither a folder nor a device is a portfolio: the failed-open message, and no save asked,
    // no tree emptied, no last file changed, by Open as by a drop.
    for (const std::string& chemin : {dossier, std::string("/dev/null")}) {
        prompts.messages.clear();
        Open(chemin);
        form->DropFiles({QString::fromStdString(chemin)});
        ASSERT_EQ(prompts.messages.size(), 2u) << chemin;
        for (const auto& message : prompts.messages)
            ExpectWarning(message, "Ouverture du fichier impossible");
        EXPECT_EQ(form->Portefeuille(), precedent);
        EXPECT_TRUE(precedent->Modifie);
        EXPECT_EQ(arbre->topLevelItemCount(), noeuds);
        ExpectDocument(bon);
    }
}

TEST_F(DocumentTest, SaveAsNeverReplacesWhatIsNotAFile) {
    Modify();
    const std::string dossier = Path("dossier.cvx");
    std::filesystem::create_directory(dossier);
    const std::string tube = Path("tube.cvx");
    ASSERT_EQ(::mkfifo(tube.c_str(), 0600), 0);
    for (const std::string& chemin : {dossier, tube}) {
        prompts.messages.clear();
        prompts.saveNames = {QString::fromStdString(chemin)};
        form->FileSaveAs();
        ASSERT_EQ(prompts.messages.size(), 1u) << chemin;
        EXPECT_EQ(prompts.messages[0].title, "Corvane");
        EXPECT_TRUE(form->Portefeuille()->Modifie);
        ExpectDocument("");
    }
    EXPECT_TRUE(std::filesystem::is_directory(dossier));
    EXPECT_TRUE(std::filesystem::is_fifo(tube));
}

TEST_F(DocumentTest, OpenMissingPathGivesANewDocumentBearingIt) {
    const std::string absent = Path("absent.cvx");
    Open(absent);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_TRUE(form->Portefeuille()->Titres.empty());
    ExpectDocument(absent);
}

TEST_F(DocumentTest, OpenAsksFirstAndCancelKeepsEverything) {
    // Cancelling the file dialog asks nothing.
    Modify();
    form->FileOpen();
    EXPECT_TRUE(prompts.messages.empty());

    TCorv* precedent = form->Portefeuille();
    prompts.answers = {QMessageBox::Cancel};
    Open(WriteFile("bon.cvx", kGoodFile));
    EXPECT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(form->Portefeuille(), precedent);
    EXPECT_EQ(form->findChild<QTreeWidget*>("LT1")->topLevelItemCount(), 1);
}

TEST_F(DocumentTest, NewAndOpenPutTheToggleInItsEuroState) {
    QAction* commute = form->Action("Commute");
    commute->setChecked(false);
    commute->setText("autre");
    form->Portefeuille()->Facteur = 6.5f;
    Open(WriteFile("bon.cvx", kGoodFile));
    EXPECT_TRUE(commute->isChecked());
    EXPECT_EQ(commute->text(), "&Affichage en francs");
    EXPECT_FLOAT_EQ(form->Portefeuille()->Facteur, 1.0f);

    commute->setChecked(false);
    const std::string courant = Current();
    form->FileNew();
    EXPECT_TRUE(commute->isChecked());
    EXPECT_EQ(form->windowTitle(), "Nouveau");
    EXPECT_TRUE(form->Portefeuille()->Fichier.empty());
    EXPECT_EQ(Current(), courant); // New leaves the last file used as it is
}

TEST_F(DocumentTest, FailedSaveIsReportedAndChangesNothing) {
    const std::string bon = WriteFile("bon.cvx", kGoodFile);
    Open(bon);
    Modify();
    // A path under a plain file can never be written.
    const std::string impossible = Path("bon.cvx") + "/sous.cvx";

    prompts.saveNames = {QString::fromStdString(impossible)};
    form->FileSaveAs();
    ASSERT_EQ(prompts.messages.size(), 1u);
    ExpectWarning(prompts.messages[0],
                  QString("Impossible d'enregistrer le portefeuille dans « %1 » : le fichier "
                          "ne peut pas être créé.\nLe portefeuille n'a pas été enregistré.")
                      .arg(QString::fromStdString(impossible)));
    EXPECT_TRUE(form->Portefeuille()->Modifie);
    ExpectDocument(bon);

    form->Portefeuille()->Fichier = impossible;
    form->FileSave();
    EXPECT_EQ(prompts.messages.size(), 2u);
    EXPECT_TRUE(form->Portefeuille()->Modifie);
    EXPECT_EQ(Current(), bon);
}

// Two windows on one file, as two starts of the program give: the second save finds the
// first one's on disk and replaces it only when the user says so.
TEST_F(DocumentTest, ASaveNeverReplacesWhatChangedOnDiskWithoutAsking) {
    const std::string commun = WriteFile("commun.cvx", kGoodFile);
    Open(commun);
    const std::unique_ptr<TMainForm> second = Start(); // on the last file used
    ASSERT_EQ(second->Portefeuille()->Fichier, commun);
    const auto montants = [&] {
        TCorv disque("");
        disque.LoadFile(commun);
        std::vector<std::int32_t> lus;
        for (const auto& m : disque.Mouvements)
            lus.push_back(m->Montant);
        return lus;
    };

    build::AddMovement(*form->Portefeuille(), 46000, 'C', 111);
    form->Portefeuille()->Modifie = true;
    form->FileSave();
    EXPECT_TRUE(prompts.messages.empty()); // nothing changed since it was opened
    EXPECT_EQ(montants(), (std::vector<std::int32_t>{10000, 111}));

    const QString question =
        QString("Le fichier « %1 » a été modifié, remplacé ou supprimé depuis que cette "
                "fenêtre l'a ouvert ou enregistré (par une autre fenêtre de Corvane ou un autre "
                "programme).\nLe remplacer par ce portefeuille ?\n\nNon laisse le fichier tel "
                "qu'il est sur le disque ; le portefeuille reste à enregistrer, sous un autre nom "
                "par exemple.")
            .arg(QString::fromStdString(commun));
    const auto expectQuestion = [&](std::size_t i) {
        ASSERT_LT(i, prompts.messages.size());
        ExpectWarning(prompts.messages[i], question);
        EXPECT_EQ(prompts.messages[i].buttons, QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(prompts.messages[i].defaultButton, QMessageBox::No);
    };
    build::AddMovement(*second->Portefeuille(), 46001, 'C', 222);
    second->Portefeuille()->Modifie = true;
    // Save, then closing with a save: the default answer keeps the file and the window open.
    second->FileSave();
    second->show();
    prompts.answers = {QMessageBox::Yes};
    second->FileExit();
    ASSERT_EQ(prompts.messages.size(), 3u);
    expectQuestion(0);
    expectQuestion(2);
    EXPECT_EQ(montants(), (std::vector<std::int32_t>{10000, 111}));
    ASSERT_NE(second->Portefeuille(), nullptr);
    EXPECT_TRUE(second->Portefeuille()->Modifie);
    EXPECT_TRUE(second->isVisible());

    // Yes replaces; the file is then the one this window wrote.
    prompts.answers = {QMessageBox::Yes};
    second->FileSave();
    EXPECT_EQ(montants(), (std::vector<std::int32_t>{10000, 222}));
    second->Portefeuille()->Modifie = true;
    second->FileSave();
    EXPECT_EQ(prompts.messages.size(), 4u);

    // The first window is asked in turn; saving under another name stays open to it.
    form->Portefeuille()->Modifie = true;
    form->FileSave();
    ASSERT_EQ(prompts.messages.size(), 5u);
    expectQuestion(4);
    EXPECT_TRUE(form->Portefeuille()->Modifie);
    const std::string autre = Path("autre.cvx");
    prompts.saveNames = {QString::fromStdString(autre)};
    form->FileSaveAs();
    EXPECT_EQ(prompts.messages.size(), 5u);
    EXPECT_FALSE(form->Portefeuille()->Modifie);
    EXPECT_EQ(montants(), (std::vector<std::int32_t>{10000, 222}));

    // A file removed since counts as changed.
    std::filesystem::remove(commun);
    second->Portefeuille()->Modifie = true;
    second->FileSave();
    ASSERT_EQ(prompts.messages.size(), 6u);
    expectQuestion(5);
    EXPECT_FALSE(std::filesystem::exists(commun));
}

// A save onto a file this window saw is checked whatever path it takes there: back after a
// Save As elsewhere, or onto the file a link it opened points to.
TEST_F(DocumentTest, ASaveBackOntoAFileThisWindowSawIsCheckedWhateverThePath) {
    struct Cas {
        const char* nom;
        bool parUnLien; // the window opened the file through a symbolic link
    };
    for (const Cas& cas : {Cas{"retour", false}, Cas{"lien", true}}) {
        SCOPED_TRACE(cas.nom);
        const std::string commun = WriteFile(std::string(cas.nom) + ".cvx", kGoodFile);
        std::string ouvert = commun;
        if (cas.parUnLien) {
            ouvert = Path(std::string(cas.nom) + "-lien.cvx");
            std::filesystem::create_symlink(commun, ouvert);
        }
        form->Portefeuille()->Modifie = false; // the last case's document goes unasked
        Open(ouvert);
        ASSERT_EQ(form->Portefeuille()->Fichier, ouvert);
        const std::unique_ptr<TMainForm> autre = Start(); // on the same file
        build::AddMovement(*autre->Portefeuille(), 46001, 'C', 222);
        autre->Portefeuille()->Modifie = true;
        autre->FileSave();
        if (!cas.parUnLien) {
            prompts.saveNames = {QString::fromStdString(Path("ailleurs.cvx"))};
            form->FileSaveAs();
        }
        const platform::FileFingerprint ecrit = platform::FingerprintOfFile(commun);
        const std::size_t questions = prompts.messages.size();
        prompts.saveNames = {QString::fromStdString(commun)};
        form->Portefeuille()->Modifie = true;
        form->FileSaveAs(); // the default answer keeps the file
        EXPECT_EQ(prompts.messages.size(), questions + 1);
        EXPECT_TRUE(platform::FingerprintOfFile(commun).Matches(ecrit)); // the other's save
        EXPECT_TRUE(form->Portefeuille()->Modifie);
    }
}

TEST_F(DocumentTest, DropOfOneFileOpensItAfterThePrompt) {
    const std::string bon = WriteFile("bon.cvx", kGoodFile);
    Modify();
    prompts.answers = {QMessageBox::No};
    form->DropFiles({QString::fromStdString(bon)});
    EXPECT_EQ(prompts.messages.size(), 1u);
    ExpectDocument(bon);
}

TEST_F(DocumentTest, DropOfTwoFilesDoesNothing) {
    TCorv* precedent = form->Portefeuille();
    Modify();
    form->DropFiles({QString::fromStdString(WriteFile("a.cvx", kGoodFile)),
                     QString::fromStdString(WriteFile("b.cvx", kGoodFile))});
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(form->Portefeuille(), precedent);
    EXPECT_EQ(Current(), "");
}

TEST_F(DocumentTest, OnlyLocalFilesAreTakenFromADrop) {
    const auto drop = [&](const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent entree(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &entree);
        QDropEvent depot(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &depot);
        return std::pair{entree.isAccepted(), depot.isAccepted()};
    };
    TCorv* precedent = form->Portefeuille();
    for (const QList<QUrl>& urls :
         {QList<QUrl>{QUrl("http://exemple.fr/portef.cvx")},
          QList<QUrl>{QUrl("ftp://exemple.fr/portef.cvx")},
          QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(Path("a.cvx"))),
                      QUrl("https://exemple.fr/b.cvx")}}) {
        const auto [entree, depot] = drop(urls);
        EXPECT_FALSE(entree) << urls.constFirst().toString().toStdString();
        EXPECT_FALSE(depot) << urls.constFirst().toString().toStdString();
        EXPECT_EQ(form->Portefeuille(), precedent);
        ExpectDocument("");
    }
    EXPECT_TRUE(prompts.messages.empty());

    // A file of another machine is refused with a word, and changes nothing.
    const std::string bon = WriteFile("bon.cvx", kGoodFile);
    const QUrl distant("file://serveur" + QString::fromStdString(bon));
    EXPECT_FALSE(drop({distant}).second);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].title, "Corvane");
    EXPECT_TRUE(prompts.messages[0].text.contains("serveur"));
    EXPECT_EQ(form->Portefeuille(), precedent);
    ExpectDocument("");

    // A file of this machine is opened, by its path, with or without the host "localhost".
    for (const QUrl& local : {QUrl::fromLocalFile(QString::fromStdString(bon)),
                              QUrl("file://localhost" + QString::fromStdString(bon))}) {
        form->FileNew();
        const auto [entree, depot] = drop({local});
        EXPECT_TRUE(entree) << local.toString().toStdString();
        EXPECT_TRUE(depot) << local.toString().toStdString();
        ExpectDocument(bon);
    }
    EXPECT_EQ(prompts.messages.size(), 1u);
}

TEST_F(DocumentTest, ExitAnsweredYesThenCancelledKeepsTheDocument) {
    form->show();
    Modify();
    prompts.answers = {QMessageBox::Yes};
    form->FileExit();
    ASSERT_NE(form->Portefeuille(), nullptr);
    EXPECT_TRUE(form->Portefeuille()->Modifie);
    EXPECT_TRUE(form->isVisible());

    prompts.answers = {QMessageBox::No};
    form->FileExit();
    EXPECT_EQ(form->Portefeuille(), nullptr);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(prompts.messages.size(), 2u); // the close asked nothing more
}

TEST_F(DocumentTest, HelpPageOfTheDataDirectory) {
    form->HelpContents();
    ASSERT_EQ(prompts.opened.size(), 1u);
    EXPECT_EQ(prompts.opened[0], QString::fromStdString(dataDir_ + "/help/guide.htm"));
    std::filesystem::remove(dataDir_ + "/help/guide.htm");
    form->HelpContents();
    EXPECT_EQ(prompts.opened.size(), 1u);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].text.contains("guide.htm"));
}

TEST_F(DocumentTest, CalculatorIsTheFirstOneInstalled) {
    const std::string ancien = std::getenv("PATH") ? std::getenv("PATH") : "";
    const std::filesystem::path bin = Path("bin");
    std::filesystem::create_directory(bin);
    setenv("PATH", bin.c_str(), 1);
    form->CalculetteExecute();
    EXPECT_TRUE(prompts.started.empty());
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].title, "Corvane");

    for (const char* nom : {"xcalc", "galculator"}) {
        std::ofstream(bin / nom) << "#!/bin/sh\n";
        std::filesystem::permissions(bin / nom, std::filesystem::perms::owner_all);
    }
    form->CalculetteExecute();
    setenv("PATH", ancien.c_str(), 1);
    ASSERT_EQ(prompts.started.size(), 1u);
    EXPECT_EQ(prompts.started[0], "galculator");
}

TEST_F(DocumentTest, PrinterSetUpValidatesAndNeverPrints) {
    QStringList boutons;
    prompts.onDialog = [&](QDialog& dialog) {
        for (const QAbstractButton* bouton : dialog.findChildren<QAbstractButton*>())
            boutons << bouton->text();
        return true;
    };
    form->FilePrintSetup();
    ASSERT_EQ(prompts.dialogs, 1);
    EXPECT_FALSE(boutons.isEmpty());
    for (const QString& texte : boutons)
        EXPECT_FALSE(texte.contains("Imprimer", Qt::CaseInsensitive) ||
                     texte.contains("Print", Qt::CaseInsensitive))
            << texte.toStdString();
}

TEST_F(DocumentTest, CommandErrorsAreShownNotThrown) {
    // A value of the wrong type in the settings makes the options command fail.
    WithKey([](platform::SettingsStore& s) { s.WriteString("HTTP", "un"); });
    ASSERT_NO_THROW(form->Action("DoParam")->trigger());
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].title, "Corvane");
    EXPECT_TRUE(prompts.messages[0].text.contains("HTTP"));
    EXPECT_EQ(prompts.dialogs, 0);
}

TEST_F(DocumentTest, EveryCommandExistsWithItsShortcut) {
    const std::vector<std::pair<const char*, const char*>> commandes = {
        {"FileNew", "Ctrl+O"},   {"FileOpen", ""},
        {"FileSave", "Ctrl+S"},  {"FileSaveAs", ""},
        {"Calculette", ""},      {"DoParam", ""},
        {"FilePrintSetup", ""},  {"FileExit", ""},
        {"HelpContents", "F1"},  {"HelpAbout", ""},
        {"AddVal", "Shift+F11"}, {"RafVal", "Ctrl+N"},
        {"AddOpere", "Ctrl+A"},  {"CtlRel", "Shift+F12"},
        {"ViewLogs", "F12"},     {"Importationdhistoriques1", ""},
        {"Purge1", ""},          {"ActTransfert", ""},
        {"EdiPort", ""},         {"EditTitre", ""},
        {"EditVal", ""},         {"ModifVal", ""},
        {"delval", ""},          {"ActAlarme", ""},
        {"MajComp", ""},         {"Histo", ""},
        {"UpdOp", ""},           {"DelOpere", ""},
        {"DPointer1", ""},       {"AddCash", ""},
        {"UpdCash", ""},         {"DelCash", ""},
        {"Commute", ""}};
    // The commands of the selected security wait for one to be selected in the tree.
    const std::set<std::string> selonArbre = {"EditVal", "ModifVal", "delval", "Histo", "RafVal"};
    for (const auto& [nom, raccourci] : commandes) {
        QAction* action = form->Action(nom);
        ASSERT_NE(action, nullptr) << nom;
        EXPECT_EQ(action->shortcut().toString(), raccourci) << nom;
        EXPECT_EQ(action->isEnabled(), selonArbre.count(nom) == 0) << nom;
    }
    // The hint of a command goes to the first panel of the status line.
    QAction* nouveau = form->Action("FileNew");
    nouveau->showStatusText(form.get());
    EXPECT_EQ(form->CurrentHint(), QString("Créer un nouveau portefeuille"));
    // The calculator command runs whichever calculator the desktop has: its hint names none.
    EXPECT_EQ(form->Action("Calculette")->statusTip(), QString("Accéder à la calculatrice"));
}

} // namespace
