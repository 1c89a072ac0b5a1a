#pragma once

// The security pages' synthesis and charts: the tab "Synthèse Valeur" with the last quote,
// the position block, the yields, the variation over the history and the intraday chart,
// and the tab "Graphiques" with the history chart, its averages and its RSI or volume. The
// page owns the indicator periods, the volume switch and the crosshairs of its three charts.

#include <QObject>
#include <QPoint>

#include <cstdint>

class QChartView;
class QCheckBox;
class QDateEdit;
class QLabel;
class QSlider;
class QTabWidget;
class QToolButton;
class QWidget;

class ChartWidgets;
class PageHost;
struct Valeurs;

class SecurityPage : public QObject {
public:
    // Builds the first and the third tab of pages; the second is the trade list's.
    SecurityPage(PageHost& host, QTabWidget* pages);

    // The whole synthesis tab for titre; the history chart too when its tab is shown.
    void ShowTitre(Valeurs* titre);
    // Both history charts for titre.
    void ShowGraphiques(Valeurs* titre);
    // Inverts the crosshair at (x, y) in the chart's viewport: twice at one place erases it.
    void DrawCrosshair(QChartView* chart, int x, int y);

    // The periods in days that the bars set, as the settings keep them.
    enum class Periode { Moyenne1, Moyenne2, Rsi, Variation };
    std::int32_t Jours(Periode periode) const;
    // Moves the period's bar, which keeps the period within its range.
    void SetJours(Periode periode, std::int32_t jours);
    // The range of the history chart.
    double DebutHisto() const;
    double FinHisto() const;
    void SetDebutHisto(double date);
    void SetFinHisto(double date);

private:
    void CreateHistoryTab(QWidget* page);
    void CreateSecuritySynthesis(QWidget* page);
    QChartView* CreateIntradayChart(QWidget* corps);
    void CreateHistoryCharts(QWidget* page);
    void CreateCrosshairs();
    void ConnectChartControls();
    void Track1Change(QSlider* sender);
    void TrackRedraw(QSlider* sender);
    void PDateDebChange();
    void BtRSIClick(QToolButton* sender);
    void Check3dClick(QCheckBox* sender);
    void ShowIntraday(Valeurs* titre, bool histoLisible);
    void ClearGraphiques(bool axes);
    void ChartMouseMove(QChartView* chart, QPoint& saved, int x, int y);
    void Chart4MouseMove(int x, int y);
    void Chart1MouseMove(int x, int y);
    void Chart5MouseMove(int x, int y);
    void Chart4AfterDraw();
    void Chart1AfterDraw();
    void Chart5AfterDraw();

    PageHost& FHost;
    QTabWidget* PageCtl1 = nullptr;
    ChartWidgets* FCharts = nullptr;

    // Periods in days (0: that average is off), set by their bars.
    std::int32_t FMoyenne1 = 10;
    std::int32_t FMoyenne2 = 20;
    std::int32_t FRsi = 7;
    std::int32_t FPerVar = 7;
    bool FShowVolume = false; // the lower history chart shows the volume instead of the RSI
    // Where the crosshair was last drawn on each chart; x is -1 when none is.
    QPoint FCrossChart1{-1, -1};
    QPoint FCrossChart4{-1, -1};
    QPoint FCrossChart5{-1, -1};
    int FCrossPenStyle = 0;

    QDateEdit* PDateDeb = nullptr;
    QDateEdit* PDateFin = nullptr;
    QSlider* Track1 = nullptr;
    QSlider* Track2 = nullptr;
    QSlider* Track3 = nullptr;
    QSlider* TrackVar = nullptr;
    QLabel* TxtTr1 = nullptr;
    QLabel* TxtTr2 = nullptr;
    QLabel* TxtTr3 = nullptr;
    QLabel* TxtVar = nullptr;
    QCheckBox* Check3d = nullptr;
    QChartView* Chart1 = nullptr;
};
