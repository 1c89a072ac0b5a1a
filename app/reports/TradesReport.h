#pragma once

// The printed trades of one security, in the order of its list, with the average prices and
// gains computed for each; sale rows print shaded.
//
// How to print it (the main window's "&Valeur" command, a security being selected):
//   TEdit3 edit(this, SelectedTitre(), FPortefeuille.get());
//   edit.Preview(*Printer(), Prompts());  // modal print preview
// or edit.Print(printer). Building the report refills the data module's table Operes.

#include "reports/ReportEngine.h"

class QPrinter;
class QWidget;
class TCorv;
class UiPrompts;
struct Valeurs;

class TEdit3 {
public:
    TEdit3(QWidget* owner, Valeurs* titre, TCorv* portefeuille);
    ~TEdit3();
    TEdit3(const TEdit3&) = delete;
    TEdit3& operator=(const TEdit3&) = delete;

    TQuickRep QR;
    TCorv* FPortefeuille = nullptr;
    Valeurs* FTitre = nullptr;

    void Preview(QPrinter& printer, UiPrompts& prompts) { QR.Preview(printer, prompts); }
    bool Print(QPrinter& printer) { return QR.Print(printer); }

    // Before each trade row: the button-face colour for a sale, white otherwise.
    void QRBand3BeforePrint(TQRBand& band, bool& printBand);

private:
    void FillOperes();
};

// The trades report while it exists.
extern TEdit3* Edit3;
