#pragma once

// The portfolio's summaries: the summary page (tab "Synthèse") with the settlement-date
// pickers and the cash/securities pie (tab "Graphique"), the securities summary with the
// profitability picker and the repartition pie, and the configurable repartition list. The
// pages own the pie's basis and grouping and the list's columns.

#include "window/Registry.h"

#include <QObject>

#include <array>
#include <cstdint>

class QChartView;
class QCheckBox;
class QDateEdit;
class QLabel;
class QString;
class QTabWidget;
class QToolButton;
class QTreeWidget;
class QWidget;

class PageHost;

class SummaryPages : public QObject {
public:
    // Builds the two tabs of pgPort and the second and third tabs of pgTitre.
    SummaryPages(PageHost& host, QTabWidget* pgPort, QTabWidget* pgTitre);

    // The summary page and the cash/securities pie.
    void ShowPortefeuille();
    // Sorts the document's securities by the grouping key, draws the repartition pie and
    // fills the securities summary.
    void ShowRepartition();
    // The repartition list's columns from its column ids, and its rows.
    void BuildRepartColumns();
    void FillRepart();
    // New column ids validated in the column chooser: the list is rebuilt, and the ids are
    // saved in COLREP2 when the user agrees.
    void ColRepChanged(const std::array<std::uint8_t, kColRepSize>& ids);

    // What the settings give at start, and the dates of a document put in the window.
    void SetColRep(const std::array<std::uint8_t, kColRepSize>& ids);
    void SetDateRent(double date);
    void ShowDatesLiquidation(double dateLiqP, double dateLiqC);
    // The start of the profitability period.
    double DateRentabilite() const;

    // The read-outs, pies, buttons and list of the pages.
    struct Champs {
        QLabel* VCashPo = nullptr;
        QLabel* VCashPoP = nullptr;
        QLabel* VCashPoL = nullptr;
        QLabel* VCashPoPL = nullptr;
        QLabel* VEvalTi = nullptr;
        QLabel* VEvalTiP = nullptr;
        QLabel* VEvalTiL = nullptr;
        QLabel* VEvalTiPL = nullptr;
        QLabel* VEvalGlo = nullptr;
        QLabel* VEvalGloL = nullptr;
        QLabel* VAchRMB = nullptr;
        QLabel* VAchRMN = nullptr;
        QLabel* VVeRMB = nullptr;
        QLabel* VVeRMN = nullptr;
        QLabel* VSoLiqB = nullptr;
        QLabel* VSoLiqN = nullptr;
        QLabel* VCouvT = nullptr;
        QLabel* VCouvE = nullptr;
        QLabel* VCouvD = nullptr;
        QChartView* Chart3 = nullptr; // position in its "Tag" property: 1 current, 0 settlement
        QToolButton* PortCur = nullptr;
        QToolButton* PortLiq = nullptr;

        QLabel* GCoB = nullptr;
        QLabel* GCoN = nullptr;
        QLabel* GReaB = nullptr;
        QLabel* GReaN = nullptr;
        QLabel* GPvLB = nullptr;
        QLabel* GPvLN = nullptr;
        QLabel* GPvLNSRD = nullptr;
        QLabel* GPvB = nullptr;
        QLabel* GPvN = nullptr;
        QLabel* VRentTiB = nullptr;
        QLabel* VRentTiN = nullptr;
        QLabel* VTotFrPer = nullptr;
        QChartView* Chart2 = nullptr;
        QToolButton* BtCout = nullptr;
        QToolButton* BtVal = nullptr;
        QToolButton* BtBourse = nullptr;
        QToolButton* BtActivite = nullptr;

        QTreeWidget* ListRepart = nullptr; // sort state in its "Tag" property
        QCheckBox* OnlyHold = nullptr;
    };

private:
    void CreatePortfolioSummary(QTabWidget* pgPort);
    void CreatePortfolioPie(QTabWidget* pgPort);
    void CreateSecuritiesSummary(QTabWidget* pgTitre);
    void CreateRepartList(QTabWidget* pgTitre);
    void CreateRepartHandlers();
    void SortRepart();
    void ListRepartMouseDown();
    bool RunColumnChooser(std::array<std::uint8_t, kColRepSize>& ids);
    void PortCurClick(QWidget* button);
    void BtNbrClick(QWidget* button);
    void BtBourseClick(QWidget* button);
    void Chart2MouseMove(const QString& sliceLabel);
    void OnlyHoldClick();
    void DateLPExit();
    void DateLCExit();
    void DateRentChange();

    PageHost& FHost;
    Champs FChamps;
    QDateEdit* DateLP = nullptr;
    QDateEdit* DateLC = nullptr;
    QDateEdit* DateRent = nullptr;
    std::array<std::uint8_t, kColRepSize> FColRep{};
    std::uint8_t FRepartBase = 1;  // basis of the repartition pie: valuation or cost
    std::uint8_t FRepartGroup = 0; // grouping of the repartition pie: none = by security
    // The repartition list's columns were built and not yet fitted to rows: the first fill
    // that has rows fits them, and later fills keep the widths the user set.
    bool FRepartAFitter = false;
};
