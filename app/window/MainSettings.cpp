// What the window takes from the settings at start, gives back when it goes away, and how it
// tells that they could not be written.

#include "window/Main.h"

#include "widgets/QtDates.h"
#include "window/ProgramSettings.h"
#include "window/SummaryPages.h"

#include <QDateEdit>
#include <QSlider>
#include <QSplitter>

#include <algorithm>
#include <cstdio>

void TMainForm::ReadSettings() {
    const ProgramSettings& reglages = FRegistry->Values();
    FInstallDir = reglages.Install;
    if (FInstallDir.empty())
        throw StartupError("Corvane n'est pas installé pour cet utilisateur : la valeur "
                           "INSTALL de la clé « SoftWare\\Corvane » (fichier " +
                           platform::SettingsStore::StorePath() +
                           ") est absente.\nLancez scripts/setup-user.sh pour la créer.");

    const auto period = [](std::int32_t lue, std::int32_t& field, QSlider* track) {
        track->setValue(lue);
        field = track->value(); // the bar keeps the period within its own range
    };
    period(reglages.Moyenne1, FMoyenne1, Track1);
    period(reglages.Moyenne2, FMoyenne2, Track2);
    period(reglages.Rsi, FRsi, Track3);
    period(reglages.PerVar, FPerVar, TrackVar);

    PDateDeb->setDate(ToQDate(reglages.DateDeb));
    FSyntheses->SetDateRent(reglages.DateRent);
    FSyntheses->SetColRep(reglages.ColRep);

    if (reglages.Height)
        resize(width(), *reglages.Height);
    if (reglages.Width)
        resize(*reglages.Width, height());
    if (reglages.Split) {
        FSplitWidth = std::max(*reglages.Split, PartGauche->minimumWidth());
        PartGauche->resize(FSplitWidth, PartGauche->height());
        Splitter->setSizes({FSplitWidth, std::max(width() - FSplitWidth, 1)});
    }
}

bool TMainForm::SaveSettings() {
    if (FRegistry->Save())
        return true;
    // Once a run: the settings folder stays as it is (read-only, full) until the user acts.
    if (!std::exchange(FSettingsFailureTold, true))
        FPrompts->Message(this, "Corvane", QString::fromStdString(FRegistry->FailureText()),
                          QMessageBox::Warning, QMessageBox::Ok);
    return false;
}

void TMainForm::FormDestroy() {
    ProgramSettings& reglages = FRegistry->Values();
    if (FRsi != 0)
        reglages.Rsi = FRsi;
    if (FMoyenne1 != 0)
        reglages.Moyenne1 = FMoyenne1;
    if (FMoyenne2 != 0)
        reglages.Moyenne2 = FMoyenne2;
    if (FPerVar != 0)
        reglages.PerVar = FPerVar;
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))) {
        reglages.Height = height();
        reglages.Width = width();
    }
    // The window is hidden by now, but its widgets keep the sizes they were last shown with.
    // A window never shown has no layout: its panel keeps the width it was given.
    reglages.Split = FLaidOut ? PartGauche->width() : FSplitWidth;
    // The window is going away: there is nobody left to show this to.
    if (!FRegistry->Save())
        std::fprintf(stderr, "Corvane : %s\n", FRegistry->FailureText().c_str());
    FPortefeuille.reset();
}
