#pragma once

// The widgets of the main window's views (tree pages, lists, summaries, pies), built by
// TMainForm::CreateViews on the pages of the four page controls. Owned by the window, as
// children of their pages; this record only points at them.

#include "widgets/ListRows.h"

#include <QColor>
#include <QObject>
#include <QString>

#include <vector>

class QChartView;
class QCheckBox;
class QLabel;
class QPieSeries;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

class MainViewWidgets : public QObject {
public:
    using QObject::QObject;

    // The repartition list (sort state in its "Tag" property).
    QTreeWidget* ListRepart = nullptr;
    QCheckBox* OnlyHold = nullptr;

    // Portfolio summary.
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
    QChartView* Chart3 = nullptr; // position shown in its "Tag" property: 1 current, 0 settlement
    QToolButton* PortCur = nullptr;
    QToolButton* PortLiq = nullptr;

    // Securities summary.
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
};

// Colours of the views.
inline const QColor kFondListes(255, 255, 175);   // pale yellow of the tree and the lists
inline const QColor kFondVente(127, 255, 0);      // light green of sales
inline const QColor kJauneSelection(255, 255, 0); // tree: manual security, selected
inline const QColor kGrisInactif(128, 128, 128);  // securities list: not held

// Gains and losses on the sales' light green: darker shades, which stay readable on it.
inline const QColor kVertSurVente(0, 100, 0);
inline const QColor kRougeSurVente(176, 0, 0);

// Replaces a pie's slices and title. Each slice is labelled with its text and percentage;
// small slices are gathered into "Autre"; no slices leaves an empty pie under the title, and
// no series (null).
struct PartCamembert;
QPieSeries* DessineCamembert(QChartView* vue, const QString& titre,
                             const std::vector<PartCamembert>& parts);
// Shows a figure that is drawn red when negative, black otherwise.
void AfficheSigne(QLabel* label, const QString& texte, bool negatif);
