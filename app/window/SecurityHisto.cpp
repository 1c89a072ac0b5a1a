// The history charts of the "Graphiques" tab (price with two moving averages above, RSI or
// volume below), the bars, pickers and buttons that set them up, the 3D switches, and the
// crosshair with its read-out that follows the mouse over the three line charts.

#include "window/SecurityPage.h"

#include "views/ChartData.h"
#include "widgets/QtDates.h"
#include "window/ChartWidgets.h"
#include "window/PageHost.h"
#include "window/ProgramSettings.h"

#include "platform/DateTime.h"
#include "platform/Settings.h"
#include "portfolio/Cv.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QDateEdit>
#include <QEvent>
#include <QLabel>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPainter>
#include <QSet>
#include <QSlider>
#include <QToolButton>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

const QColor kArgent(192, 192, 192); // the point for today

// How far from a point, in pixels, the mouse still designates it.
constexpr double kToleranceSouris = 5.0;

// At most this many dates under a history chart: more would run into each other.
constexpr int kEtiquettesMax = 10;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

void Remplit(QLineSeries* serie, const std::vector<PointCourbe>& points) {
    QList<QPointF> liste;
    liste.reserve(static_cast<qsizetype>(points.size()));
    for (const PointCourbe& p : points)
        liste.append(QPointF(p.X, p.Y));
    serie->clearPointsConfiguration();
    serie->replace(liste);
    // The pointers take the series' own colour, which differs from its line's; the point
    // for today is silver.
    const QColor pointeur = serie->property("Pointeur").value<QColor>();
    QHash<int, QHash<QXYSeries::PointConfiguration, QVariant>> couleurs;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (points[i].DuJour)
            couleurs[static_cast<int>(i)][QXYSeries::PointConfiguration::Color] = kArgent;
        else if (pointeur.isValid())
            couleurs[static_cast<int>(i)][QXYSeries::PointConfiguration::Color] = pointeur;
    }
    if (!couleurs.isEmpty())
        serie->setPointsConfiguration(couleurs);
}

// The dates of the points under the bottom axis, spread evenly.
void Etiquettes(QCategoryAxis* axe, const std::vector<PointCourbe>& points, int xMax) {
    for (const QString& label : axe->categoriesLabels())
        axe->remove(label);
    const std::size_t pas =
        std::max<std::size_t>(1, (points.size() + kEtiquettesMax - 1) / kEtiquettesMax);
    QSet<QString> vues;
    for (std::size_t i = 0; i < points.size(); i += pas) {
        QString label = Q(points[i].Libelle);
        // The axis wants distinct labels; a range over a year repeats days and months.
        while (vues.contains(label))
            label += QChar(0x200B);
        vues.insert(label);
        axe->append(label, points[i].X);
    }
    const PlageAxe plage = PlageHisto(xMax);
    axe->setStartValue(plage.Min);
    axe->setRange(plage.Min, plage.Max);
}

// The left axis spans the values drawn, with a little room above and below.
void Ajuste(QValueAxis* axe, std::initializer_list<const std::vector<PointCourbe>*> series,
            bool depuisZero) {
    double bas = 0.0;
    double haut = 0.0;
    bool vide = true;
    for (const auto* serie : series)
        for (const PointCourbe& p : *serie) {
            bas = vide ? p.Y : std::min(bas, p.Y);
            haut = vide ? p.Y : std::max(haut, p.Y);
            vide = false;
        }
    if (vide) {
        axe->setRange(0.0, 1.0);
        return;
    }
    if (depuisZero)
        bas = std::min(bas, 0.0);
    const double marge = haut > bas ? (haut - bas) * 0.05 : std::max(std::abs(haut) * 0.05, 0.5);
    axe->setRange(depuisZero && bas >= 0.0 ? 0.0 : bas - marge, haut + marge);
    axe->applyNiceNumbers();
}

QRect ZoneTrace(const QChartView* vue) {
    const QChart* chart = vue->chart();
    return vue->mapFromScene(chart->mapToScene(chart->plotArea())).boundingRect();
}

// The point of a series under the mouse, -1 when there is none. The mouse is compared with
// the points near it only, not with every point mapped to the screen.
int PointSousSouris(ChartWidgets& c, const QChartView* vue, QLineSeries* serie, QPoint souris) {
    if (!serie->isVisible() || serie->count() == 0)
        return -1;
    return PointProche(c.Points[serie], RepereDe(vue, serie), souris.x(), souris.y(),
                       kToleranceSouris);
}

// Qt draws no depth: the 3D view draws the lines as ribbons over a shadowed plotting area.
void Vue3D(QChartView* vue, bool relief) {
    QChart* chart = vue->chart();
    for (QAbstractSeries* serie : chart->series())
        if (auto* ligne = qobject_cast<QLineSeries*>(serie)) {
            QPen pen = ligne->pen();
            pen.setWidthF(relief ? 4.0 : 2.0);
            ligne->setPen(pen);
        }
    chart->setDropShadowEnabled(relief);
    vue->setProperty("Vue3D", relief);
}

class SuiviSouris : public QObject {
public:
    SuiviSouris(QWidget* zone, std::function<void(QPoint)> onMove)
        : QObject(zone), onMove_(std::move(onMove)) {
        zone->setMouseTracking(true);
        zone->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // The mouse left the chart: a position outside it tells the chart's read-out to go.
        if (event->type() == QEvent::Leave)
            onMove_(QPoint(-1, -1));
        if (event->type() != QEvent::MouseMove)
            return QObject::eventFilter(watched, event);
        const auto* souris = static_cast<QMouseEvent*>(event);
        onMove_(souris->position().toPoint());
        // Left to the chart, a move with no button down would only test it against the
        // outline of every line for hovering, which nothing here listens to: with thousands
        // of points that test alone costs more than the crosshair.
        return souris->buttons() == Qt::NoButton;
    }

private:
    std::function<void(QPoint)> onMove_;
};

} // namespace

RepereEcran RepereDe(const QChartView* vue, QLineSeries* serie) {
    QChart* chart = vue->chart();
    const QTransform versVue = vue->viewportTransform();
    const auto ecran = [&](double x, double y) {
        return versVue.map(chart->mapToScene(chart->mapToPosition(QPointF(x, y), serie)));
    };
    // Both axes are linear: two points give the whole mapping.
    const QPointF origine = ecran(0.0, 0.0);
    const QPointF unite = ecran(1.0, 1.0);
    return {origine.x(), origine.y(), unite.x() - origine.x(), unite.y() - origine.y()};
}

void SuitSouris(QChartView* chart, std::function<void(QPoint)> onMove) {
    new SuiviSouris(chart->viewport(), std::move(onMove));
}

CroixOverlay::CroixOverlay(QChartView* chart) : QWidget(chart->viewport()) {
    setObjectName(chart->objectName() + "Croix");
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setGeometry(chart->viewport()->rect());
    chart->viewport()->installEventFilter(this);
    raise();
}

void CroixOverlay::Inverse(QPoint at, int bas) {
    const auto meme = std::find_if(figures_.begin(), figures_.end(),
                                   [&](const Figure& f) { return f.At == at && f.Bas == bas; });
    if (meme != figures_.end())
        figures_.erase(meme);
    else
        figures_.push_back({at, bas});
    update();
}

void CroixOverlay::Efface() {
    if (figures_.empty())
        return;
    figures_.clear();
    update();
}

void CroixOverlay::paintEvent(QPaintEvent*) {
    if (figures_.empty())
        return;
    QPainter p(this);
    // Each pixel becomes the inverse of the chart's pixel: visible on any colour.
    p.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    p.setPen(QPen(Qt::black, 1, Trait));
    p.setBrush(Qt::NoBrush);
    for (const Figure& f : figures_) {
        p.drawEllipse(QRect(f.At.x() - 8, f.At.y() - 8, 16, 16));
        p.drawLine(f.At, QPoint(f.At.x(), f.Bas));
    }
}

bool CroixOverlay::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) {
        setGeometry(parentWidget()->rect());
        // The plotting area moved: whatever was drawn no longer marks a point.
        if (ApresDessin)
            ApresDessin();
        else
            Efface();
    }
    return QWidget::eventFilter(watched, event);
}

void SecurityPage::ClearGraphiques(bool axes) {
    ChartWidgets& c = *FCharts;
    for (QLineSeries* serie : {c.Series1, c.Series5, c.Series6, c.Series7, c.Series8}) {
        serie->clearPointsConfiguration();
        serie->clear();
        c.Points[serie].clear();
    }
    c.Series7->setVisible(FShowVolume);
    c.Series8->setVisible(!FShowVolume);
    for (QAbstractAxis* axe :
         {static_cast<QAbstractAxis*>(c.Chart1Bas), static_cast<QAbstractAxis*>(c.Chart1Gauche),
          static_cast<QAbstractAxis*>(c.Chart5Bas), static_cast<QAbstractAxis*>(c.Chart5Gauche)})
        axe->setVisible(axes);
    Chart1AfterDraw();
    Chart5AfterDraw();
}

void SecurityPage::ShowGraphiques(Valeurs* titre) {
    if (FHost.Portefeuille() == nullptr || titre == nullptr || FCharts == nullptr)
        return;
    TCorv& doc = *FHost.Portefeuille();
    ChartWidgets& c = *FCharts;
    ClearGraphiques(false);
    if (doc.TitreHisto != titre && !doc.LoadHistoFile(titre))
        return;
    ClearGraphiques(true);

    ParamsHisto params;
    params.Moyenne1 = FMoyenne1;
    params.Moyenne2 = FMoyenne2;
    params.Rsi = FRsi;
    params.Volume = FShowVolume;
    params.Debut = FromQDate(PDateDeb->date());
    params.Fin = FromQDate(PDateFin->date());
    params.Aujourdhui = platform::Date();
    // The table holds euros, as the quote does: no display factor on either.
    params.CoursDuJour = titre->Infos.Cours;
    const GraphiqueHisto g = CalculeHisto(LignesHistorique(), params);

    const std::pair<QLineSeries*, const std::vector<PointCourbe>*> series[] = {
        {c.Series1, &g.Cours},
        {c.Series5, &g.Moyenne1},
        {c.Series6, &g.Moyenne2},
        {c.Series7, &g.VolumeK},
        {c.Series8, &g.Rsi}};
    for (const auto& [serie, points] : series) {
        Remplit(serie, *points);
        c.Points[serie] = *points;
    }

    Etiquettes(c.Chart1Bas, g.Cours, g.XMax);
    Etiquettes(c.Chart5Bas, g.Cours, g.XMax);
    Ajuste(c.Chart1Gauche, {&g.Cours, &g.Moyenne1, &g.Moyenne2}, false);
    if (FShowVolume) {
        c.Chart5Gauche->setTickType(QValueAxis::TicksFixed);
        c.Chart5Gauche->setTickCount(3);
        c.Chart5Gauche->setMinorTickCount(1);
        Ajuste(c.Chart5Gauche, {&g.VolumeK}, true);
    } else {
        // From 0 to 100, labelled every 50 with a line every 25: steps of 5 would run into
        // each other on a chart of this height.
        c.Chart5Gauche->setRange(0.0, 100.0);
        c.Chart5Gauche->setTickType(QValueAxis::TicksDynamic);
        c.Chart5Gauche->setTickAnchor(0.0);
        c.Chart5Gauche->setTickInterval(50.0);
        c.Chart5Gauche->setMinorTickCount(1);
    }
    Chart1AfterDraw();
    Chart5AfterDraw();
}

void SecurityPage::TrackRedraw(QSlider* sender) {
    // The bars are set from the settings while the window is built, before any document.
    if (FHost.Portefeuille() == nullptr || FCharts == nullptr)
        return;
    Valeurs* titre = FHost.SelectedTitre();
    if (titre == nullptr)
        return;
    FHost.Guard([&] {
        if (sender == Track3)
            ShowGraphiques(titre);
        else
            ShowTitre(titre);
    });
}

void SecurityPage::PDateDebChange() {
    // At start the pickers get their dates from the settings, before there is a document.
    if (FHost.Portefeuille() == nullptr)
        return;
    FHost.Settings().Values().DateDeb = FromQDate(PDateDeb->date());
    FHost.SaveSettings();
    if (Valeurs* titre = FHost.SelectedTitre())
        ShowGraphiques(titre);
}

void SecurityPage::BtRSIClick(QToolButton* sender) {
    ChartWidgets& c = *FCharts;
    // The two buttons act as one group: one of them is always down.
    bool redessine = true;
    QToolButton* autre = sender == c.BtRSI ? c.BtVolume : c.BtRSI;
    if (sender->isChecked()) {
        FShowVolume = sender == c.BtVolume;
        TxtTr3->setVisible(!FShowVolume);
        Track3->setVisible(!FShowVolume);
        autre->setChecked(false);
    } else {
        sender->setChecked(true);
        redessine = false;
    }
    if (redessine)
        if (Valeurs* titre = FHost.SelectedTitre())
            ShowGraphiques(titre);
}

void SecurityPage::Check3dClick(QCheckBox* sender) {
    const bool relief = sender->isChecked();
    if (sender == Check3d) {
        Vue3D(Chart1, relief);
        Vue3D(FCharts->Chart5, relief);
        Chart1AfterDraw();
        Chart5AfterDraw();
    } else {
        Vue3D(FCharts->Chart4, relief);
        Chart4AfterDraw();
    }
}

void SecurityPage::DrawCrosshair(QChartView* chart, int x, int y) {
    ChartWidgets& c = *FCharts;
    CroixOverlay* croix = chart == Chart1 ? c.Croix1 : chart == c.Chart4 ? c.Croix4 : c.Croix5;
    // The window's pen styles count from the solid line, Qt's from no line at all.
    croix->Trait = static_cast<Qt::PenStyle>(std::clamp(FCrossPenStyle + 1, 1, 5));
    croix->Inverse(QPoint(x, y), ZoneTrace(chart).bottom());
}

void SecurityPage::ChartMouseMove(QChartView* chart, QPoint& saved, int x, int y) {
    ChartWidgets& c = *FCharts;
    if (saved.x() != -1) {
        DrawCrosshair(chart, saved.x(), saved.y());
        saved.setX(-1);
    }
    // Off the chart altogether, its read-out goes too (unless the panel shows something else
    // by now); off the plotting area only, the read-out stays.
    if (!chart->viewport()->rect().contains(x, y)) {
        if (FHost.ReadOut() == c.Lecture)
            FHost.ShowReadOut(QString());
        c.Lecture.clear();
        return;
    }
    if (!ZoneTrace(chart).contains(x, y))
        return;
    QLineSeries* principale = chart == c.Chart4 ? c.Series2
                              : chart == Chart1 ? c.Series1
                              : FShowVolume     ? c.Series7
                                                : c.Series8;
    const Lecture genre = chart == c.Chart4 ? Lecture::Intraday
                          : chart == Chart1 ? Lecture::Cours
                          : FShowVolume     ? Lecture::Volume
                                            : Lecture::Rsi;
    const int i = PointSousSouris(c, chart, principale, QPoint(x, y));
    QPoint at(x, y);
    if (i >= 0) {
        const QPointF valeur = principale->at(i);
        const PositionEcran p = RepereDe(chart, principale).Ecran(valeur.x(), valeur.y());
        at = QPointF(p.X, p.Y).toPoint();
    }
    DrawCrosshair(chart, at.x(), at.y());
    saved = at;

    FHost.ShowReadOut(QString());
    const auto lecture = [&](QLineSeries* serie, int index) {
        const std::vector<PointCourbe>& points = c.Points[serie];
        if (index >= 0 && static_cast<std::size_t>(index) < points.size()) {
            c.Lecture = Q(TexteLecture(*FHost.Portefeuille(), genre,
                                       points[static_cast<std::size_t>(index)]));
            FHost.ShowReadOut(c.Lecture);
        }
    };
    if (i >= 0) {
        lecture(principale, i);
    } else if (chart == Chart1) {
        // Off the price line, the averages answer; the crosshair stays where the mouse is.
        int j = PointSousSouris(c, chart, c.Series5, QPoint(x, y));
        if (j >= 0) {
            lecture(c.Series5, j);
        } else if ((j = PointSousSouris(c, chart, c.Series6, QPoint(x, y))) >= 0) {
            lecture(c.Series6, j);
        }
    }
}

void SecurityPage::Chart4MouseMove(int x, int y) {
    if (FCharts != nullptr && FHost.Portefeuille() != nullptr)
        ChartMouseMove(FCharts->Chart4, FCrossChart4, x, y);
}

void SecurityPage::Chart1MouseMove(int x, int y) {
    if (FCharts != nullptr && FHost.Portefeuille() != nullptr)
        ChartMouseMove(Chart1, FCrossChart1, x, y);
}

void SecurityPage::Chart5MouseMove(int x, int y) {
    if (FCharts != nullptr && FHost.Portefeuille() != nullptr)
        ChartMouseMove(FCharts->Chart5, FCrossChart5, x, y);
}

void SecurityPage::Chart4AfterDraw() {
    FCharts->Croix4->Efface();
    FCrossChart4.setX(-1);
}

void SecurityPage::Chart1AfterDraw() {
    FCharts->Croix1->Efface();
    FCrossChart1.setX(-1);
}

void SecurityPage::Chart5AfterDraw() {
    FCharts->Croix5->Efface();
    FCrossChart5.setX(-1);
}
