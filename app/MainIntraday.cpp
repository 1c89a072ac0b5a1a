// The intraday chart of the synthesis page: the ticks of the day that the quote-page library
// wrote into the security's intraday file, with a line at the last daily close.

#include "Main.h"

#include "ChartData.h"
#include "ChartWidgets.h"

#include "portfolio/Cv.h"

#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace {

// Any ordinary day serves: the axis shows times only. A day without a change of clock
// keeps every time of day on the axis.
QDateTime JourIntraday() {
    return QDateTime(QDate(2001, 1, 15), QTime(0, 0));
}

constexpr double kMsParJour = 86400000.0;

} // namespace

qint64 InstantIntraday(platform::TDateTime heure) {
    return JourIntraday().toMSecsSinceEpoch() +
           static_cast<qint64>(std::llround(heure * kMsParJour));
}

platform::TDateTime HeureIntraday(qint64 instant) {
    return static_cast<double>(instant - JourIntraday().toMSecsSinceEpoch()) / kMsParJour;
}

void TMainForm::ShowIntraday(Valeurs* titre, bool histoLisible) {
    TCorv& doc = *FPortefeuille;
    ChartWidgets& c = *FCharts;
    QChart* chart = c.Chart4->chart();
    c.Series2->clear();
    c.Series9->clear();
    c.Points[c.Series2].clear();
    chart->setTitle(QString());

    const FichierIntraday fichier = LitIntraday(doc.IntradayFilePath(titre));
    c.Chart4Bas->setVisible(fichier.Ouvert);
    c.Chart4Gauche->setVisible(fichier.Ouvert);
    if (!fichier.Ouvert) {
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
        cours.append(QPointF(static_cast<qreal>(InstantIntraday(p.X)), p.Y));
    c.Series2->replace(cours);
    c.Points[c.Series2] = g.Cours;
    QList<QPointF> ligne;
    for (const PointCourbe& p : g.Cloture)
        ligne.append(QPointF(static_cast<qreal>(InstantIntraday(p.X)), p.Y));
    c.Series9->replace(ligne);

    c.Chart4Bas->setRange(QDateTime::fromMSecsSinceEpoch(InstantIntraday(g.HeureMin)),
                          QDateTime::fromMSecsSinceEpoch(InstantIntraday(g.HeureMax)));
    // One label an hour or so: the ten-minute steps of the day would overlap.
    const int heures = static_cast<int>(std::ceil((g.HeureMax - g.HeureMin) * 24.0));
    c.Chart4Bas->setTickCount(std::clamp(heures + 1, 2, 10));
    c.Chart4Gauche->setRange(g.CoursMin, g.CoursMax);
    Chart4AfterDraw();
}
