// The crosshair over the history chart: a mouse move over a chart of 5 000 daily points (20
// years), through the main window as the user moves the mouse, must stay far below a frame.
// Beside it, the lookup of the point under the mouse alone: searched near the mouse by its x,
// against every point mapped to the screen and compared.

#include "views/ChartData.h"
#include "widgets/UiPrompts.h"
#include "window/ChartWidgets.h"
#include "window/Main.h"
#include "window/ProgramSettings.h"

#include "platform/DateTime.h"
#include "platform/Settings.h"
#include "portfolio/Cv.h"

#include "tests/support/TempFolder.h"

#include <QApplication>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QDateEdit>
#include <QLineSeries>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTreeWidget>
#include <QValueAxis>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr int kRows = 5000;

// Nothing may ask the user anything while measuring: a question is a failed run.
class NoPrompts final : public UiPrompts {
public:
    QMessageBox::StandardButton Message(QWidget*, const QString& title, const QString& text,
                                        QMessageBox::Icon, QMessageBox::StandardButtons) override {
        throw std::runtime_error((title + " : " + text).toStdString());
    }
    QString OpenFileName(QWidget*, const QString&, const QString&) override { return {}; }
    QString SaveFileName(QWidget*, const QString&, const QString&, const QString&,
                         const QString&) override {
        return {};
    }
    bool RunDialog(QDialog&) override { return false; }
    bool OpenLocalFile(const QString&) override { return false; }
    bool StartProgram(const QString&, const QStringList&) override { return false; }
};

// The main window on a data folder holding one security with a 5 000-row history, its
// history chart shown over the whole range.
class Fenetre {
public:
    Fenetre() {
        setenv("XDG_CONFIG_HOME", folder_.File("config").c_str(), 1);
        const fs::path data = folder_.Path() / "data";
        fs::create_directories(data / "historique");
        fs::create_directories(data / "intraday");
        SetUpInstall(data.string(), true);
        EcritHistorique(data / "historique" / "BENCH.his");

        form_ = std::make_unique<TMainForm>(QStringList{"corvane"}, &prompts_);
        Valeurs modele;
        modele.Code = "BENCH";
        modele.Libelle = "BENCH";
        modele.Infos.Cours = 10000;
        form_->Portefeuille()->AddTitre(modele);
        form_->BuildTree();
        auto* arbre = form_->findChild<QTreeWidget*>("LT1");
        const auto items = arbre->findItems("BENCH", Qt::MatchExactly | Qt::MatchRecursive);
        if (items.size() != 1)
            throw std::runtime_error("tree");
        form_->findChild<QDateEdit*>("PDateDeb")->setDate(QDate(1989, 12, 1));
        form_->findChild<QTabWidget*>("PageCtl1")->setCurrentIndex(2);
        arbre->setCurrentItem(items.front());
        form_->resize(1280, 900);
        form_->show();
        QApplication::processEvents();
        vue_ = form_->findChild<QChartView*>("Chart1");
        zone_ =
            vue_->mapFromScene(vue_->chart()->mapToScene(vue_->chart()->plotArea())).boundingRect();
    }

    void Bouge(QPoint at) {
        QMouseEvent move(QEvent::MouseMove, at, vue_->viewport()->mapToGlobal(at), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(vue_->viewport(), &move);
    }
    QRect Zone() const { return zone_; }
    qsizetype Points() const {
        for (QAbstractSeries* serie : vue_->chart()->series())
            if (serie->objectName() == "Series1")
                return static_cast<QLineSeries*>(serie)->count();
        return 0;
    }

private:
    static void EcritHistorique(const fs::path& chemin) {
        std::ofstream out(chemin, std::ios::binary);
        out << "01/01/1970\n";
        const double premier = platform::EncodeDate(1990, 1, 1);
        std::uint32_t seed = 12345;
        std::int32_t cours = 10000;
        for (int i = 0; i < kRows; ++i) {
            seed = seed * 1103515245u + 12345u;
            cours += static_cast<std::int32_t>((seed >> 16) % 201) - 100;
            if (cours < 100)
                cours = 100;
            const auto d = platform::DecodeDate(premier + i);
            char ligne[96];
            std::snprintf(ligne, sizeof ligne, "%02d/%02d/%04d;%d;%d;%d;%d;\n", d.day, d.month,
                          d.year, cours, cours + 50, cours - 50, static_cast<int>(seed % 100000));
            out << ligne;
        }
    }

    const TempFolder folder_;
    NoPrompts prompts_;
    std::unique_ptr<TMainForm> form_;
    QChartView* vue_ = nullptr;
    QRect zone_;
};

// One mouse move over the plotting area, sweeping it from left to right at mid-height.
void BM_MouseMoveOverHistoryChart(benchmark::State& state) {
    Fenetre fenetre;
    const QRect zone = fenetre.Zone();
    if (zone.width() < 100 || fenetre.Points() < kRows) {
        state.SkipWithError("the chart does not show the history");
        return;
    }
    int x = zone.left();
    for (auto _ : state) {
        fenetre.Bouge(QPoint(x, zone.center().y()));
        x = x + 7 > zone.right() ? zone.left() : x + 7;
    }
}
BENCHMARK(BM_MouseMoveOverHistoryChart)->Unit(benchmark::kMicrosecond);

// A chart view alone showing 5 000 daily prices, as the history chart draws them.
class Courbe {
public:
    Courbe() {
        std::uint32_t seed = 12345;
        double cours = 100.0;
        QList<QPointF> valeurs;
        for (int i = 0; i < kRows; ++i) {
            seed = seed * 1103515245u + 12345u;
            cours = std::max(1.0, cours + static_cast<double>((seed >> 16) % 201) / 100.0 - 1.0);
            points_.push_back({static_cast<double>(i), cours, "", false});
            valeurs.append(QPointF(i, cours));
        }
        auto* chart = new QChart;
        serie_ = new QLineSeries(chart);
        serie_->replace(valeurs);
        chart->addSeries(serie_);
        auto* bas = new QValueAxis(chart);
        auto* gauche = new QValueAxis(chart);
        chart->addAxis(bas, Qt::AlignBottom);
        chart->addAxis(gauche, Qt::AlignLeft);
        serie_->attachAxis(bas);
        serie_->attachAxis(gauche);
        bas->setRange(-1, kRows);
        const auto [bas0, haut0] = std::minmax_element(
            points_.begin(), points_.end(),
            [](const PointCourbe& a, const PointCourbe& b) { return a.Y < b.Y; });
        gauche->setRange(bas0->Y - 1.0, haut0->Y + 1.0);
        vue_ = std::make_unique<QChartView>(chart);
        vue_->resize(1200, 500);
        vue_->show();
        QApplication::processEvents();
        zone_ = vue_->mapFromScene(chart->mapToScene(chart->plotArea())).boundingRect();
    }

    QChartView* Vue() const { return vue_.get(); }
    QLineSeries* Serie() const { return serie_; }
    const std::vector<PointCourbe>& Points() const { return points_; }
    QRect Zone() const { return zone_; }
    // The mouse on the line at the given x pixel, a little above it.
    QPoint Souris(int x) const {
        const double valeur =
            static_cast<double>(x - zone_.left()) / zone_.width() * (kRows + 1) - 1.0;
        const auto i = static_cast<std::size_t>(std::clamp(valeur, 0.0, kRows - 1.0));
        const RepereEcran r = RepereDe(vue_.get(), serie_);
        return QPointF(r.Ecran(points_[i].X, points_[i].Y).X,
                       r.Ecran(points_[i].X, points_[i].Y).Y - 2)
            .toPoint();
    }

private:
    std::vector<PointCourbe> points_;
    std::unique_ptr<QChartView> vue_;
    QLineSeries* serie_ = nullptr;
    QRect zone_;
};

constexpr double kTolerance = 5.0;

void BM_NearestPointSearchedByX(benchmark::State& state) {
    const Courbe courbe;
    int x = courbe.Zone().left();
    int touches = 0;
    for (auto _ : state) {
        const QPoint souris = courbe.Souris(x);
        const int i = PointProche(courbe.Points(), RepereDe(courbe.Vue(), courbe.Serie()),
                                  souris.x(), souris.y(), kTolerance);
        benchmark::DoNotOptimize(i);
        touches += i >= 0 ? 1 : 0;
        x = x + 7 > courbe.Zone().right() ? courbe.Zone().left() : x + 7;
    }
    state.counters["touches"] = benchmark::Counter(touches, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_NearestPointSearchedByX)->Unit(benchmark::kMicrosecond);

// The same lookup done by mapping every point of the series through the chart.
void BM_NearestPointMappingEveryPoint(benchmark::State& state) {
    const Courbe courbe;
    QChart* chart = courbe.Vue()->chart();
    int x = courbe.Zone().left();
    int touches = 0;
    for (auto _ : state) {
        const QPoint souris = courbe.Souris(x);
        std::vector<PointCourbe> ecran;
        ecran.reserve(courbe.Points().size());
        for (const QPointF& p : courbe.Serie()->points()) {
            const QPointF at = courbe.Vue()->mapFromScene(
                chart->mapToScene(chart->mapToPosition(p, courbe.Serie())));
            ecran.push_back({at.x(), at.y(), "", false});
        }
        const int i = PointProche(ecran, RepereEcran{}, souris.x(), souris.y(), kTolerance);
        benchmark::DoNotOptimize(i);
        touches += i >= 0 ? 1 : 0;
        x = x + 7 > courbe.Zone().right() ? courbe.Zone().left() : x + 7;
    }
    state.counters["touches"] = benchmark::Counter(touches, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_NearestPointMappingEveryPoint)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
