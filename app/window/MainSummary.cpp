// The portfolio's summaries as the window's operations name them (the pages themselves:
// SummaryPages.cpp), and the display toggle between euros and the local currency.

#include "window/Main.h"

#include "window/SummaryPages.h"

#include "portfolio/Cv.h"

#include <QAction>
#include <QLabel>

void TMainForm::ShowPortefeuille() {
    FSyntheses->ShowPortefeuille();
}

void TMainForm::ShowRepartition() {
    FSyntheses->ShowRepartition();
}

void TMainForm::BuildRepartColumns() {
    FSyntheses->BuildRepartColumns();
}

void TMainForm::FillRepart() {
    FSyntheses->FillRepart();
}

void TMainForm::ColRepChanged(const std::array<std::uint8_t, kColRepSize>& ids) {
    FSyntheses->ColRepChanged(ids);
}

void TMainForm::CommuteExecute() {
    if (!FPortefeuille)
        return;
    TCorv& doc = *FPortefeuille;
    const QString local = QString::fromStdString(doc.LibLocal);
    if (Commute->isChecked()) {
        Commute->setText(QString("&Affichage en Euros"));
        LibMon->setText(QString("Affichage en ") + local);
        doc.Facteur = doc.Taux;
        Commute->setChecked(false);
    } else {
        Commute->setText(QString("&Affichage en ") + local);
        LibMon->setText(QString("Affichage en Euros"));
        doc.Facteur = 1.0f;
        Commute->setChecked(true);
    }
    RefreshViews(nullptr);
}
