// The intraday chart of the synthesis page: the ticks of the day that the quote-page library
// wrote into the security's intraday file, with a line at the last daily close.

#include "window/SecurityPage.h"

#include "views/ChartData.h"
#include "window/ChartWidgets.h"
#include "window/PageHost.h"

#include "platform/DateText.h"
#include "platform/TextFile.h"
#include "portfolio/Cv.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QFontMetricsF>
#include <QLineSeries>
#include <QStringList>
#include <QValueAxis>

#include <algorithm>

namespace {

// The axis lays out one graduation per step as soon as its range or its step changes, so a
// range must never meet the step of the chart shown before (a span of millions of euros at a
// step of cents would hold the window for good). A fixed count of graduations holds while the
// range and the step change; the round step takes over once both are the new ones.
void PoseGraduationsPrix(QValueAxis* axe, double min, double max, double pas) {
    if (axe->tickType() == QValueAxis::TicksDynamic && axe->tickInterval() == pas &&
        axe->min() == min && axe->max() == max)
        return;
    axe->setTickType(QValueAxis::TicksFixed);
    axe->setRange(min, max);
    axe->setTickAnchor(0.0);
    axe->setTickInterval(pas);
    axe->setTickType(QValueAxis::TicksDynamic);
}

} // namespace

void GradueIntraday(ChartWidgets& c) {
    GradueIntraday(c, c.Chart4Gauche->min(), c.Chart4Gauche->max());
}

void GradueIntraday(ChartWidgets& c, double coursMin, double coursMax) {
    const QRectF zone = c.Chart4->chart()->plotArea();
    const QFontMetricsF police(c.Chart4Bas->labelsFont());
    // A time label with as much room again beside it; price labels a line and a half apart.
    const double largeurEtiquette = 2.0 * police.horizontalAdvance(QString("00:00"));
    const double hauteurEtiquette = 2.5 * police.height();
    // Before the chart is first laid out its area is empty: a usual width and height serve.
    const int etiquettes =
        zone.width() > 0.0 ? static_cast<int>(zone.width() / largeurEtiquette) : 8;
    const int intervalles =
        zone.height() > 0.0 ? static_cast<int>(zone.height() / hauteurEtiquette) : 5;

    const GraduationsHeures g =
        GraduationsIntraday(c.Chart4Bas->min(), c.Chart4Bas->max(), etiquettes);
    QStringList libelles;
    for (const platform::TDateTime heure : g.Heures)
        libelles << QString::fromStdString(platform::ShortTimeToStr(heure));
    // Relabelling may move the plotting area, which calls this again: only a change is made.
    if (libelles != c.Chart4Bas->categoriesLabels() ||
        c.Chart4Bas->startValue() != c.Chart4Bas->min()) {
        for (const QString& libelle : c.Chart4Bas->categoriesLabels())
            c.Chart4Bas->remove(libelle);
        c.Chart4Bas->setStartValue(c.Chart4Bas->min());
        for (std::size_t i = 0; i < g.Heures.size(); ++i)
            c.Chart4Bas->append(libelles[static_cast<qsizetype>(i)], g.Heures[i]);
    }

    PoseGraduationsPrix(c.Chart4Gauche, coursMin, coursMax,
                        PasArrondi(coursMax - coursMin, std::max(intervalles, 2)));
}

void SecurityPage::ShowIntraday(Valeurs* titre, bool histoLisible) {
    TCorv& doc = *FHost.Portefeuille();
    ChartWidgets& c = *FCharts;
    QChart* chart = c.Chart4->chart();
    c.Series2->clear();
    c.Series9->clear();
    c.Points[c.Series2].clear();
    chart->setTitle(QString());

    const std::string chemin = doc.IntradayFilePath(titre);
    const FichierIntraday fichier = LitIntraday(chemin);
    c.Chart4Bas->setVisible(fichier.Ouvert);
    c.Chart4Gauche->setVisible(fichier.Ouvert);
    if (!fichier.Ouvert) {
        // A folder or a pipe where the file goes is said on the chart, which is redrawn after
        // every refresh: a message box would come back each time.
        const std::string raison = platform::UnfitReason(chemin);
        if (!raison.empty())
            chart->setTitle(
                QString("Intraday illisible (%1) : %2")
                    .arg(QString::fromStdString(chemin), QString::fromStdString(raison)));
        Chart4AfterDraw();
        return;
    }

    // The close line comes from the history table, which holds this security's history
    // unless its file could not be read.
    std::int32_t cloture = 0;
    if (histoLisible) {
        if (doc.TitreHisto != titre)
            doc.LoadHistoFile(titre);
        if (doc.TitreHisto == titre)
            cloture = doc.LastHistoCours();
    }
    const GraphiqueIntraday g = CalculeIntraday(fichier, cloture);
    chart->setTitle(QString::fromStdString(g.Titre));
    QList<QPointF> cours;
    for (const PointCourbe& p : g.Cours)
        cours.append(QPointF(p.X, p.Y));
    c.Series2->replace(cours);
    c.Points[c.Series2] = g.Cours;
    QList<QPointF> ligne;
    for (const PointCourbe& p : g.Cloture)
        ligne.append(QPointF(p.X, p.Y));
    c.Series9->replace(ligne);

    c.Chart4Bas->setRange(g.HeureMin, g.HeureMax);
    GradueIntraday(c, g.CoursMin, g.CoursMax);
    Chart4AfterDraw();
}
