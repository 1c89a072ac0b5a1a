#pragma once

// The printed portfolio summary: current position, position at settlement, deferred
// position and coverage, from the document's totals as last computed.
//
// How to print it (the main window's "&Portefeuille" command):
//   TEdit1 edit(this, FPortefeuille.get());
//   edit.Preview(*Printer(), Prompts());  // modal print preview; returns once it is closed
// or edit.Print(printer) to print without preview. The report reads the document only when
// it is built; build it right before showing it.

#include "reports/ReportEngine.h"

class QPrinter;
class QWidget;
class TCorv;
class UiPrompts;

class TEdit1 {
public:
    TEdit1(QWidget* owner, TCorv* portefeuille);
    ~TEdit1();
    TEdit1(const TEdit1&) = delete;
    TEdit1& operator=(const TEdit1&) = delete;

    TQuickRep QR;
    TCorv* FPortefeuille = nullptr;

    void Preview(QPrinter& printer, UiPrompts& prompts) { QR.Preview(printer, prompts); }
    bool Print(QPrinter& printer) { return QR.Print(printer); }
};

// The portfolio summary while it exists.
extern TEdit1* Edit1;
