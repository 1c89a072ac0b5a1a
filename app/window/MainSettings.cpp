// What the window takes from the settings at start, gives back when it goes away, and how it
// tells that they could not be written.

#include "window/Main.h"

#include "window/ProgramSettings.h"
#include "window/SecurityPage.h"
#include "window/SummaryPages.h"

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

    FTitrePage->SetJours(SecurityPage::Periode::Moyenne1, reglages.Moyenne1);
    FTitrePage->SetJours(SecurityPage::Periode::Moyenne2, reglages.Moyenne2);
    FTitrePage->SetJours(SecurityPage::Periode::Rsi, reglages.Rsi);
    FTitrePage->SetJours(SecurityPage::Periode::Variation, reglages.PerVar);
    FTitrePage->SetDebutHisto(reglages.DateDeb);
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
    // A period set to 0 (off) leaves the stored one as it was.
    const auto period = [this](std::int32_t& reglage, SecurityPage::Periode periode) {
        if (const std::int32_t jours = FTitrePage->Jours(periode); jours != 0)
            reglage = jours;
    };
    period(reglages.Rsi, SecurityPage::Periode::Rsi);
    period(reglages.Moyenne1, SecurityPage::Periode::Moyenne1);
    period(reglages.Moyenne2, SecurityPage::Periode::Moyenne2);
    period(reglages.PerVar, SecurityPage::Periode::Variation);
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
