// The security page as the window's operations name it (the page itself: SecurityPage.cpp,
// SecurityHisto.cpp and SecurityIntraday.cpp).

#include "window/Main.h"

#include "window/SecurityPage.h"
#include "window/SummaryPages.h"

void TMainForm::ShowTitre(Valeurs* titre) {
    FTitrePage->ShowTitre(titre);
}

void TMainForm::ShowGraphiques(Valeurs* titre) {
    FTitrePage->ShowGraphiques(titre);
}

void TMainForm::DrawCrosshair(QChartView* chart, int x, int y) {
    FTitrePage->DrawCrosshair(chart, x, y);
}

double TMainForm::DateRentabilite() const {
    return FSyntheses->DateRentabilite();
}
