#include "Program.h"

#include "dialogs/AboutBox.h"
#include "dialogs/SplitDialog.h"
#include "widgets/FileDialogs.h"
#include "widgets/QtDates.h"
#include "window/Main.h"

#include "portfolio/Fdatas.h"

#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

#include <cstdio>
#include <memory>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName("Corvane");
    // Every name a widget draws (months and days in the calendars, sizes and dates in the
    // file dialogs) is French, as the rest of the program, whatever the desktop's language.
    QLocale::setDefault(FrenchLocale());
    InstallQtFrench(*this);
}

QTranslator* InstallQtFrench(QCoreApplication& application, const QString& directory) {
    auto traduction = std::make_unique<QTranslator>();
    // By name rather than by locale: the program speaks French on every desktop.
    if (!traduction->load(QString("qtbase_fr"), directory)) {
        std::fprintf(stderr,
                     "Corvane : traduction française de Qt introuvable dans %s ; les textes de "
                     "Qt restent en anglais.\n",
                     QDir::toNativeSeparators(directory).toLocal8Bit().constData());
        return nullptr;
    }
    QTranslator* installee = traduction.release();
    installee->setParent(&application);
    QCoreApplication::installTranslator(installee);
    return installee;
}

QTranslator* InstallQtFrench(QCoreApplication& application) {
    return InstallQtFrench(application, QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowException(QString::fromStdString(error.what()));
    } catch (...) {
        ShowException(QString("Erreur inattendue."));
    }
    return false;
}

void ShowException(const QString& text) {
    if (MainForm != nullptr) {
        MainForm->ShowError(text);
        return;
    }
    std::fprintf(stderr, "Corvane : %s\n", text.toLocal8Bit().constData());
    QMessageBox::critical(nullptr, "Corvane", text);
}

int RunProgram(QApplication& application, UiPrompts* prompts, bool runLoop) {
    try {
        MainForm = new TMainForm(application.arguments(), prompts);
    } catch (const std::exception& error) {
        const QString texte = QString::fromStdString(error.what());
        std::fprintf(stderr, "Corvane : %s\n", error.what());
        if (prompts != nullptr)
            prompts->Message(nullptr, "Corvane", texte, QMessageBox::Critical, QMessageBox::Ok);
        else
            QMessageBox::critical(nullptr, "Corvane", texte);
        return 1;
    }
    SetFileDialogFolder(QString::fromStdString(MainForm->InstallDir()));
    Form3 = new TForm3(MainForm);
    TheDatas();
    Division = new TDivision(MainForm);

    int status = 0;
    if (runLoop) {
        MainForm->show();
        status = application.exec();
    }
    // The about box and the split dialog belong to the window and go with it.
    delete MainForm;
    MainForm = nullptr;
    Form3 = nullptr;
    Division = nullptr;
    return status;
}
