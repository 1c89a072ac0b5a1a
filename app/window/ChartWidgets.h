#pragma once

// The widgets of the security pages' read-outs and line charts, built by SecurityPage: the
// synthesis page with its intraday chart Chart4, and the series of the history charts Chart1
// and Chart5. Owned by Qt, as children of their pages; this record only points at them.

#include "views/ChartData.h"

#include <QObject>
#include <QPoint>
#include <QWidget>

#include <functional>
#include <map>
#include <vector>

class QCategoryAxis;
class QChartView;
class QCheckBox;
class QLabel;
class QLineSeries;
class QToolButton;
class QValueAxis;

// The crosshairs drawn over a chart's plotting area. Each figure is drawn by inverting the
// pixels under it, so drawing the same figure twice erases it; the figures live in this
// overlay rather than in the chart's own picture, so a repaint of the chart draws them again
// until they are erased.
class CroixOverlay : public QWidget {
public:
    explicit CroixOverlay(QChartView* chart);

    // Inverts the circle of radius 8 around at and the drop line from at down to bas.
    void Inverse(QPoint at, int bas);
    // The chart drew new contents: no crosshair of before is on screen any more.
    void Efface();
    int Figures() const { return static_cast<int>(figures_.size()); }

    // Told when the chart is laid out anew (its figures are then gone).
    std::function<void()> ApresDessin;
    // Pen style of the figures.
    Qt::PenStyle Trait = Qt::SolidLine;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Figure {
        QPoint At;
        int Bas = 0;
    };
    std::vector<Figure> figures_;
};

class ChartWidgets : public QObject {
public:
    using QObject::QObject;

    // Synthesis page: the last quote.
    QLabel* DateHeure = nullptr;
    QLabel* LCours = nullptr;
    QLabel* LVar = nullptr;
    QLabel* LHaut = nullptr;
    QLabel* LBas = nullptr;
    // The position block.
    QLabel* PxMB = nullptr;
    QLabel* PxMN = nullptr;
    QLabel* CoB = nullptr;
    QLabel* CoN = nullptr;
    QLabel* PvLB = nullptr;
    QLabel* PvLN = nullptr;
    QLabel* PvLNSRD = nullptr;
    QLabel* VRLatB = nullptr;
    QLabel* VRLatN = nullptr;
    QLabel* PvB = nullptr;
    QLabel* PvN = nullptr;
    QLabel* VRentB = nullptr;
    QLabel* VRentN = nullptr;
    QLabel* NbA = nullptr;
    QLabel* NbV = nullptr;
    QLabel* NbP = nullptr;
    QLabel* CoAB = nullptr;
    QLabel* CoAN = nullptr;
    QLabel* CoVB = nullptr;
    QLabel* CoVN = nullptr;
    QLabel* VPortB = nullptr;
    QLabel* VPortN = nullptr;
    // The variation over the history and the intraday chart.
    QLabel* LVarG = nullptr;
    QCheckBox* Check3D2 = nullptr;
    QChartView* Chart4 = nullptr;
    QLineSeries* Series2 = nullptr;     // intraday prices
    QLineSeries* Series9 = nullptr;     // the last close
    QCategoryAxis* Chart4Bas = nullptr; // times of day, labelled at round times
    QValueAxis* Chart4Gauche = nullptr;

    // History charts.
    QChartView* Chart5 = nullptr;
    QLineSeries* Series1 = nullptr; // price
    QLineSeries* Series5 = nullptr; // first moving average
    QLineSeries* Series6 = nullptr; // second moving average
    QLineSeries* Series7 = nullptr; // volume
    QLineSeries* Series8 = nullptr; // RSI
    QCategoryAxis* Chart1Bas = nullptr;
    QValueAxis* Chart1Gauche = nullptr;
    QCategoryAxis* Chart5Bas = nullptr;
    QValueAxis* Chart5Gauche = nullptr;
    QToolButton* BtRSI = nullptr;
    QToolButton* BtVolume = nullptr;

    // Crosshairs of Chart1, Chart4 and Chart5.
    CroixOverlay* Croix1 = nullptr;
    CroixOverlay* Croix4 = nullptr;
    CroixOverlay* Croix5 = nullptr;

    // The points of each series with their labels, as last drawn: the read-outs show them.
    std::map<const QLineSeries*, std::vector<PointCourbe>> Points;
    // The read-out last shown in the status line, which goes when the mouse leaves the chart.
    QString Lecture;
};

// Calls onMove with the mouse position in the chart's viewport at every move over it.
void SuitSouris(QChartView* chart, std::function<void(QPoint)> onMove);

// Graduates the axes of the intraday chart over their current ranges: round times below,
// round prices on the left, as many as the plotting area has room for. Run again whenever
// that area changes size.
void GradueIntraday(ChartWidgets& c);
// The same after giving the price axis the range from coursMin to coursMax, set together with
// its step.
void GradueIntraday(ChartWidgets& c, double coursMin, double coursMax);

// How the values of a series fall on the chart view's viewport.
RepereEcran RepereDe(const QChartView* vue, QLineSeries* serie);
