// The record lists as the window's operations name them (the lists themselves:
// RecordLists.cpp).

#include "window/Main.h"

#include "window/RecordLists.h"

void TMainForm::FillTitres() {
    FListes->FillTitres();
}

void TMainForm::FillOperes(Valeurs* titre) {
    FListes->FillOperes(titre);
}

void TMainForm::FillCash() {
    FListes->FillCash();
}

Operes* TMainForm::SelectedOpere() const {
    return FListes->SelectedOpere(SelectedTitre());
}

Mvt* TMainForm::SelectedMvt() const {
    return FListes->SelectedMvt();
}
