#pragma once

// The printed securities summary: one row per security of the document, in the list's
// current order, with its position as last computed, and the totals of the gains.
//
// How to print it (the main window's "&Titre" command):
//   TEdit2 edit(this, FPortefeuille.get());
//   edit.Preview(*Printer(), Prompts());  // modal print preview, A4 landscape
// or edit.Print(printer). Building the report refills the data module's table Repart.

#include "reports/ReportEngine.h"

class QPrinter;
class QWidget;
class TCorv;
class UiPrompts;

class TEdit2 {
public:
    TEdit2(QWidget* owner, TCorv* portefeuille);
    ~TEdit2();
    TEdit2(const TEdit2&) = delete;
    TEdit2& operator=(const TEdit2&) = delete;

    TQuickRep QR;
    TCorv* FPortefeuille = nullptr;

    void Preview(QPrinter& printer, UiPrompts& prompts) { QR.Preview(printer, prompts); }
    bool Print(QPrinter& printer) { return QR.Print(printer); }

private:
    void FillRepart();
};

// The securities summary while it exists.
extern TEdit2* Edit2;
