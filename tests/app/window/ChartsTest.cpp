// The security pages' charts: reading the intraday file, the series of the intraday and
// history charts for known data, the crosshair's hit test and read-outs, and the synthesis
// page, intraday chart, history chart and crosshair as the window shows them.

#include "../AppTestSupport.h"

#include "views/ChartData.h"
#include "widgets/QtDates.h"
#include "window/ChartWidgets.h"

#include "platform/DateText.h"
#include "platform/Numbers.h"
#include "portfolio/Cv.h"
#include "support/Builders.h"

#include <QApplication>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineSeries>
#include <QMouseEvent>
#include <QSlider>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QValueAxis>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <set>

namespace {

using namespace build;

using platform::EncodeDate;
using platform::EncodeTime;

// -- Intraday file and chart -----------------------------------------------------------------

class IntradayTest : public AppTest {};

TEST_F(IntradayTest, ReadsTicksAndSkipsLinesThatHoldNoTick) {
    const std::string path =
        WriteFile("a.itd", "05/12/01\r\n1000 930\r\nabc\n1005\n1010 960\n1010 2400\n1020 -5\n"
                           "\n" +
                               std::string(130, '1') + "\n  1050   1730 trailing\n");
    const FichierIntraday f = LitIntraday(path);
    ASSERT_TRUE(f.Ouvert);
    EXPECT_TRUE(f.AEntete);
    EXPECT_EQ(f.Entete, "05/12/01");
    ASSERT_EQ(f.Points.size(), 2u);
    EXPECT_EQ(f.Points[0].Cours, 1000);
    EXPECT_DOUBLE_EQ(f.Points[0].Heure, EncodeTime(9, 30, 0));
    EXPECT_EQ(f.Points[0].Libelle, "09:30");
    EXPECT_EQ(f.Points[1].Cours, 1050);
    EXPECT_EQ(f.Points[1].Libelle, "17:30");
    EXPECT_EQ(f.LignesIgnorees, 6) << "text, one number, 60 minutes, 24:00, negative, too long";

    PointIntraday p;
    EXPECT_FALSE(LitPointIntraday("99999999999 930", p)) << "beyond 32 bits";
    EXPECT_FALSE(LitPointIntraday("1000 0x10", p)) << "no decimal time";
    EXPECT_TRUE(LitPointIntraday("-3 0", p));
    EXPECT_EQ(p.Libelle, "00:00");

    EXPECT_FALSE(LitIntraday(Path("absent.itd")).Ouvert);
    const FichierIntraday vide = LitIntraday(WriteFile("b.itd", ""));
    EXPECT_TRUE(vide.Ouvert);
    EXPECT_FALSE(vide.AEntete);
    EXPECT_EQ(CalculeIntraday(vide, 0).Titre, "") << "nothing shown that was not read";
    EXPECT_EQ(LitIntraday(WriteFile("c.itd", "06/12/01")).Entete, "06/12/01")
        << "a date line without a line end keeps its last character";
}

TEST_F(IntradayTest, ChartOfTicksWithTheLastClose) {
    FichierIntraday f = LitIntraday(WriteFile("a.itd", "05/12/01\n1000 930\n1050 1730\n"));
    GraphiqueIntraday g = CalculeIntraday(f, 980);
    EXPECT_TRUE(g.Axes);
    EXPECT_EQ(g.Titre, "Intraday du 05/12/01");
    ASSERT_EQ(g.Cours.size(), 2u);
    EXPECT_DOUBLE_EQ(g.Cours[1].Y, 10.5);
    EXPECT_EQ(g.Cours[1].Libelle, "17:30");
    ASSERT_EQ(g.Cloture.size(), 2u);
    EXPECT_DOUBLE_EQ(g.Cloture[0].X, EncodeTime(9, 30, 0));
    EXPECT_DOUBLE_EQ(g.Cloture[1].X, EncodeTime(17, 35, 0));
    EXPECT_DOUBLE_EQ(g.Cloture[0].Y, 9.8);
    EXPECT_DOUBLE_EQ(g.HeureMin, EncodeTime(9, 30, 0));
    EXPECT_DOUBLE_EQ(g.HeureMax, EncodeTime(17, 35, 0));
    EXPECT_DOUBLE_EQ(g.CoursMin, 8.8);
    EXPECT_DOUBLE_EQ(g.CoursMax, 11.5);

    // The date line only: the close line spans the day from midnight.
    f = LitIntraday(WriteFile("b.itd", "05/12/01\n"));
    g = CalculeIntraday(f, 1200);
    EXPECT_TRUE(g.Cours.empty());
    EXPECT_DOUBLE_EQ(g.HeureMin, 0.0);
    EXPECT_DOUBLE_EQ(g.Cloture[1].X, EncodeTime(17, 35, 0));
    EXPECT_DOUBLE_EQ(g.CoursMin, 11.0);
    EXPECT_DOUBLE_EQ(g.CoursMax, 13.0);
    // Neither tick nor close: a fixed range rather than an inverted one.
    g = CalculeIntraday(f, 0);
    EXPECT_TRUE(g.Cloture.empty());
    EXPECT_LT(g.CoursMin, g.CoursMax);
    // Ticks after 17:35 stretch the axis instead of inverting it.
    g = CalculeIntraday(LitIntraday(WriteFile("c.itd", "05/12/01\n1000 1800\n")), 0);
    EXPECT_LT(g.HeureMin, g.HeureMax);
    EXPECT_DOUBLE_EQ(g.HeureMin, EncodeTime(18, 0, 0));
}

// -- History chart ---------------------------------------------------------------------------

std::vector<LigneHisto> Lignes(const std::vector<std::int32_t>& cours, double premier) {
    std::vector<LigneHisto> lignes;
    for (std::size_t i = 0; i < cours.size(); ++i)
        lignes.push_back({premier + static_cast<double>(i), cours[i],
                          static_cast<std::int32_t>(1000 * (i + 1))});
    return lignes;
}

ParamsHisto Params(double debut, double fin, double aujourdhui) {
    ParamsHisto p;
    p.Debut = debut;
    p.Fin = fin;
    p.Aujourdhui = aujourdhui;
    p.CoursDuJour = 2500;
    return p;
}

TEST(HistoChartTest, AveragesAreTheMeanOfTheRowsBeforeInWholeCents) {
    const double j0 = EncodeDate(2026, 1, 1);
    std::vector<std::int32_t> cours;
    for (int i = 0; i < 30; ++i)
        cours.push_back(1000 + i * 7 + (i % 3));
    ParamsHisto p = Params(j0, j0 + 40, j0 + 30);
    p.Moyenne1 = 10;
    p.Rsi = 7;
    GraphiqueHisto g = CalculeHisto(Lignes(cours, j0), p);
    ASSERT_EQ(g.Cours.size(), 31u);
    EXPECT_TRUE(g.Cours.back().DuJour);
    EXPECT_DOUBLE_EQ(g.Cours.back().X, 30.0);
    EXPECT_DOUBLE_EQ(g.Cours.back().Y, 25.0);
    EXPECT_EQ(g.Cours.back().Libelle, "31/01");
    EXPECT_EQ(g.XMax, 30);
    ASSERT_EQ(g.Moyenne1.size(), 21u);
    EXPECT_TRUE(g.Moyenne2.empty());
    EXPECT_DOUBLE_EQ(g.Moyenne1[0].X, 10.0);
    EXPECT_DOUBLE_EQ(g.Moyenne1[0].Y, 10.32) << "10 324 cents over ten rows";
    EXPECT_EQ(g.Moyenne1[0].Libelle, "11/01");

    // Twenty warm-up rows feed both averages: they start with the range.
    p = Params(j0 + 20, j0 + 40, j0 + 30);
    p.Moyenne1 = 10;
    p.Moyenne2 = 20;
    g = CalculeHisto(Lignes(cours, j0), p);
    ASSERT_EQ(g.Cours.size(), 11u);
    ASSERT_EQ(g.Moyenne1.size(), 11u);
    ASSERT_EQ(g.Moyenne2.size(), 11u);
    EXPECT_DOUBLE_EQ(g.Moyenne2[0].X, 0.0);
    EXPECT_DOUBLE_EQ(g.Moyenne2[0].Y, 10.67) << "21 349 cents over twenty rows";
}

TEST(HistoChartTest, RsiOverTheLastPeriodPlusOneChanges) {
    const double j0 = EncodeDate(2026, 1, 1);
    ParamsHisto p = Params(j0, j0 + 20, j0 + 9);
    p.Rsi = 7;
    GraphiqueHisto g = CalculeHisto(Lignes({100, 101, 102, 103, 104, 105, 106, 107, 108}, j0), p);
    ASSERT_EQ(g.Rsi.size(), 2u) << "the ninth price and the point for today";
    EXPECT_DOUBLE_EQ(g.Rsi[0].X, 8.0);
    EXPECT_DOUBLE_EQ(g.Rsi[0].Y, 0.0) << "no loss in the window";

    // Gains 5+3+4+2 = 14, losses 2+1+6+1 = 10 over eight changes.
    const std::vector<std::int32_t> cours = {100, 105, 103, 106, 105, 109, 103, 105, 104};
    g = CalculeHisto(Lignes(cours, j0), p);
    ASSERT_FALSE(g.Rsi.empty());
    EXPECT_NEAR(g.Rsi[0].Y, 100.0 * 14 / 24, 1e-4);
    // The next point drops the first change (+5) and takes the move to today's 2500.
    EXPECT_NEAR(g.Rsi[1].Y, 100.0 * (9 + 2396) / (9 + 2396 + 10), 1e-3);

    // Volume mode feeds no RSI; the point for today has no volume.
    p.Volume = true;
    g = CalculeHisto(Lignes(cours, j0), p);
    EXPECT_TRUE(g.Rsi.empty());
    ASSERT_EQ(g.VolumeK.size(), 10u);
    EXPECT_DOUBLE_EQ(g.VolumeK[2].Y, 3.0);
    EXPECT_DOUBLE_EQ(g.VolumeK.back().Y, 0.0);
}

TEST(HistoChartTest, RangeBoundsAndEmptyHistory) {
    const double j0 = EncodeDate(2026, 1, 1);
    const auto lignes = Lignes({100, 110, 120, 130, 140}, j0);
    // The range ends before today: neither the later rows nor today are drawn.
    GraphiqueHisto g = CalculeHisto(lignes, Params(j0 + 1, j0 + 3, j0 + 30));
    ASSERT_EQ(g.Cours.size(), 3u);
    EXPECT_DOUBLE_EQ(g.Cours[0].Y, 1.1);
    EXPECT_FALSE(g.Cours.back().DuJour);
    EXPECT_EQ(g.XMax, 2);
    // A start after the end: nothing, the axes run from 0 to 1.
    g = CalculeHisto(lignes, Params(j0 + 4, j0 + 2, j0 + 30));
    EXPECT_TRUE(g.Cours.empty());
    EXPECT_EQ(g.XMax, 1);
    // No history row: the point for today alone.
    g = CalculeHisto({}, Params(j0 - 30, j0 + 30, j0 + 10));
    ASSERT_EQ(g.Cours.size(), 1u);
    EXPECT_DOUBLE_EQ(g.Cours[0].X, 0.0);
    EXPECT_EQ(g.Cours[0].Libelle, "11/01");
}

std::vector<PointCourbe> Courbe(const std::vector<std::pair<double, double>>& xy) {
    std::vector<PointCourbe> points;
    for (const auto& [x, y] : xy)
        points.push_back({x, y, "", false});
    return points;
}

TEST(HistoChartTest, ReadOutsNameTheirFigureWithTheProgramsSeparator) {
    TCorv doc("/tmp");
    platform::FormatSettings::Current().DecimalSeparator = ','; // as the window sets it
    EXPECT_EQ(TexteLecture(doc, Lecture::Volume, {3, 12.345, "03/02", false}),
              "Date : 03/02 Volume: 12,34");
    EXPECT_EQ(TexteLecture(doc, Lecture::Cours, {3, 10.499, "03/02", false}),
              "Date : 03/02 Cours :10,49");
    EXPECT_EQ(TexteLecture(doc, Lecture::Rsi, {3, 57.0, "03/02", false}),
              "Date : 03/02 R.S.I: 57,00");
    EXPECT_EQ(TexteLecture(doc, Lecture::Intraday, {EncodeTime(9, 30, 0), 10.0, "09:30", false}),
              "Heure : 09:30:00 Cours :10,00");
}

// The hit test as the chart did it before: every point mapped to the screen and compared.
int PointProcheEnEntier(const std::vector<PointCourbe>& points, const RepereEcran& r, double mx,
                        double my, double tolerance) {
    std::vector<PositionEcran> e;
    for (const PointCourbe& p : points)
        e.push_back(r.Ecran(p.X, p.Y));
    const double t2 = tolerance * tolerance;
    int meilleur = -1;
    double d2Min = t2;
    for (std::size_t i = 0; i < e.size(); ++i) {
        const double d2 = (e[i].X - mx) * (e[i].X - mx) + (e[i].Y - my) * (e[i].Y - my);
        if (d2 <= d2Min) {
            d2Min = d2;
            meilleur = static_cast<int>(i);
        }
    }
    if (meilleur >= 0)
        return meilleur;
    d2Min = t2;
    for (std::size_t i = 1; i < e.size(); ++i) {
        const double vx = e[i].X - e[i - 1].X;
        const double vy = e[i].Y - e[i - 1].Y;
        const double l2 = vx * vx + vy * vy;
        const double t =
            l2 == 0.0
                ? 0.0
                : std::clamp(((mx - e[i - 1].X) * vx + (my - e[i - 1].Y) * vy) / l2, 0.0, 1.0);
        const double px = e[i - 1].X + t * vx - mx;
        const double py = e[i - 1].Y + t * vy - my;
        if (px * px + py * py <= d2Min) {
            d2Min = px * px + py * py;
            meilleur = static_cast<int>(t < 0.5 ? i - 1 : i);
        }
    }
    return meilleur;
}

TEST(HistoChartTest, HitTestLooksOnlyNearTheMouseAndFindsWhatAFullScanFinds) {
    // 5 000 daily points on a 700-pixel plot, y upward: several points to a pixel.
    std::vector<PointCourbe> points;
    std::uint32_t graine = 7;
    double y = 100.0;
    for (int i = 0; i < 5000; ++i) {
        graine = graine * 1103515245u + 12345u;
        y += static_cast<double>((graine >> 16) % 201) / 100.0 - 1.0;
        points.push_back({static_cast<double>(i), y, "", false});
    }
    const RepereEcran repere{40.0, 900.0, 700.0 / 5000.0, -3.0};
    int touches = 0;
    for (double mx = 0.0; mx < 800.0; mx += 3.7)
        for (const double dy : {-6.0, -2.0, 0.0, 1.5, 4.0}) {
            // Along the line, a little above and below it.
            const double x = std::clamp((mx - 40.0) / repere.ParUniteX, 0.0, 4999.0);
            const double my = repere.Ecran(x, points[static_cast<std::size_t>(x)].Y).Y + dy;
            const int i = PointProche(points, repere, mx, my, 5.0);
            EXPECT_EQ(i, PointProcheEnEntier(points, repere, mx, my, 5.0)) << mx << " " << dy;
            touches += i >= 0 ? 1 : 0;
        }
    EXPECT_GT(touches, 100);

    // Two points far apart: the mouse on the segment between them, with no point near it.
    const auto loin = Courbe({{0, 0}, {1000, 0}, {2000, 100}});
    const RepereEcran unParPixel;
    EXPECT_EQ(PointProche(loin, unParPixel, 400, 2, 5), 0);
    EXPECT_EQ(PointProche(loin, unParPixel, 600, -3, 5), 1);
    EXPECT_EQ(PointProche(loin, unParPixel, 1400, 42, 5), 1);
    EXPECT_EQ(PointProche(loin, unParPixel, -10, 0, 5), -1) << "left of every point";
    EXPECT_EQ(PointProche(loin, unParPixel, 2004, 100, 5), 2) << "right of the last, near it";
    EXPECT_EQ(PointProche(loin, unParPixel, 2010, 100, 5), -1);
    EXPECT_EQ(PointProche({}, unParPixel, 0, 0, 5), -1);
    // Ticks of the same minute share their x: the nearest in height answers.
    const auto memeMinute = Courbe({{10, 10}, {20, 10}, {20, 30}, {20, 50}, {30, 50}});
    EXPECT_EQ(PointProche(memeMinute, unParPixel, 21, 31, 5), 2);
    EXPECT_EQ(PointProche(memeMinute, unParPixel, 19, 49, 5), 3);
}

TEST(HistoChartTest, IntradayTicksOutOfOrderTakeTheirPlaceByTime) {
    FichierIntraday f;
    f.Ouvert = true;
    PointIntraday p;
    for (const char* ligne : {"1000 930", "1020 1100", "1010 1000", "1030 1100"}) {
        ASSERT_TRUE(LitPointIntraday(ligne, p));
        f.Points.push_back(p);
    }
    const GraphiqueIntraday g = CalculeIntraday(f, 0);
    ASSERT_EQ(g.Cours.size(), 4u);
    std::vector<std::string> ordre;
    for (const PointCourbe& c : g.Cours)
        ordre.push_back(c.Libelle + " " + std::to_string(c.Y));
    EXPECT_EQ(ordre, (std::vector<std::string>{"09:30 10.000000", "10:00 10.100000",
                                               "11:00 10.200000", "11:00 10.300000"}))
        << "the two ticks of 11:00 keep the file's order";
}

// -- Graduations -----------------------------------------------------------------------------

TEST(ChartAxesTest, PriceStepsAreOneTwoOrFiveTimesAPowerOfTen) {
    EXPECT_DOUBLE_EQ(PasArrondi(2.7, 10), 0.5); // 8,80 to 11,50
    EXPECT_DOUBLE_EQ(PasArrondi(1.0, 5), 0.2);
    EXPECT_DOUBLE_EQ(PasArrondi(0.99, 10), 0.1);
    EXPECT_DOUBLE_EQ(PasArrondi(4.99, 8), 1.0); // 174,99 to 179,98
    EXPECT_DOUBLE_EQ(PasArrondi(100.0, 4), 50.0);
    EXPECT_DOUBLE_EQ(PasArrondi(3.0, 3), 1.0) << "a step that divides the range exactly";
    EXPECT_DOUBLE_EQ(PasArrondi(0.3, 3), 0.1);
    EXPECT_DOUBLE_EQ(PasArrondi(21474836.47 * 2, 6), 1e7);
    EXPECT_DOUBLE_EQ(PasArrondi(0.0, 5), 1.0) << "no range: any step";
    EXPECT_DOUBLE_EQ(PasArrondi(5.0, 0), 5.0) << "at least one interval";
}

std::vector<std::string> Textes(const GraduationsHeures& g) {
    std::vector<std::string> textes;
    for (const double h : g.Heures)
        textes.push_back(platform::ShortTimeToStr(h));
    return textes;
}

TEST(ChartAxesTest, IntradayTimesAreRoundAndAsManyAsTheRoomAllows) {
    const double debut = EncodeTime(9, 57, 0);
    const double fin = EncodeTime(17, 35, 0);
    GraduationsHeures g = GraduationsIntraday(debut, fin, 20);
    EXPECT_EQ(g.Minutes, 30);
    ASSERT_EQ(g.Heures.size(), 16u);
    EXPECT_EQ(Textes(g).front(), "10:00");
    EXPECT_EQ(Textes(g).back(), "17:30");
    g = GraduationsIntraday(debut, fin, 10);
    EXPECT_EQ(g.Minutes, 60);
    EXPECT_EQ(Textes(g), (std::vector<std::string>{"10:00", "11:00", "12:00", "13:00", "14:00",
                                                   "15:00", "16:00", "17:00"}));
    g = GraduationsIntraday(EncodeTime(9, 30, 0), fin, 5);
    EXPECT_EQ(g.Minutes, 120);
    EXPECT_EQ(Textes(g), (std::vector<std::string>{"10:00", "12:00", "14:00", "16:00"}));
    // A round start counts: 09:30 as the day fraction gives it.
    EXPECT_EQ(Textes(GraduationsIntraday(EncodeTime(9, 30, 0), EncodeTime(10, 30, 0), 10)),
              (std::vector<std::string>{"09:30", "10:00", "10:30"}));
    // The whole day up to the close, no tick read.
    g = GraduationsIntraday(0.0, fin, 10);
    EXPECT_EQ(g.Minutes, 120);
    EXPECT_EQ(g.Heures.size(), 9u);
    // A few minutes only: finer steps rather than a single label.
    EXPECT_EQ(Textes(GraduationsIntraday(EncodeTime(17, 22, 0), fin, 10)),
              (std::vector<std::string>{"17:25", "17:30", "17:35"}));
    EXPECT_TRUE(GraduationsIntraday(fin, fin, 10).Heures.empty());
    EXPECT_LE(GraduationsIntraday(debut, fin, 0).Heures.size(), 2u) << "two labels at least";
}

TEST(ChartAxesTest, HistoryAxisLeavesRoomForTheEndPoints) {
    for (const int xMax : {0, 1, 30, 250, 5000, 100000}) {
        const PlageAxe plage = PlageHisto(xMax);
        EXPECT_LT(plage.Min, 0.0) << xMax;
        EXPECT_GT(plage.Max, std::max(xMax, 1)) << xMax;
        // On a plot from 300 to 1 500 pixels wide, the end points lie at least 4 pixels
        // (a pointer and a line's width) inside the frame.
        for (const double largeur : {300.0, 700.0, 1500.0}) {
            const double parUnite = largeur / (plage.Max - plage.Min);
            EXPECT_GE(-plage.Min * parUnite, 4.0) << xMax << " " << largeur;
            EXPECT_GE((plage.Max - std::max(xMax, 1)) * parUnite, 4.0) << xMax << " " << largeur;
        }
    }
}

// -- The pages in the window -----------------------------------------------------------------

class ChartsTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        std::filesystem::create_directories(Path("data/intraday"));
        std::filesystem::create_directories(Path("data/historique"));
    }
    Valeurs* Add(const std::string& code, std::int32_t cours, float variation) {
        Valeurs* titre = AddSecurity(*doc, code, "TITRE " + code, {.cours = cours, .suivi = true});
        titre->Infos.Haut = cours + 10;
        titre->Infos.Bas = cours - 10;
        titre->Infos.Variation = variation;
        titre->Infos.Date = EncodeDate(2026, 3, 13);
        titre->Infos.Heure = EncodeTime(17, 35, 0);
        return titre;
    }
    void Select(Valeurs* titre) {
        form->BuildTree();
        auto* tree = form->findChild<QTreeWidget*>("LT1");
        const auto items = tree->findItems(QString::fromStdString(titre->Libelle),
                                           Qt::MatchExactly | Qt::MatchRecursive);
        ASSERT_EQ(items.size(), 1);
        tree->setCurrentItem(items.front());
    }
    // History rows from 16/02/2026 on, one a day.
    void Histo(const std::string& code, const std::vector<std::int32_t>& cours) {
        std::string text = "01/01/1970\n";
        for (std::size_t i = 0; i < cours.size(); ++i)
            text += platform::DateToStrFull(EncodeDate(2026, 2, 16) + static_cast<double>(i)) +
                    ";" + std::to_string(cours[i]) + ";0;0;" + std::to_string(12345 * (i + 1)) +
                    ";\n";
        WriteFile("data/historique/" + code + ".his", text);
    }
    QString Text(const char* name) { return form->findChild<QLabel*>(name)->text(); }
    bool Red(const char* name) {
        return form->findChild<QLabel*>(name)->styleSheet().contains("255, 0, 0");
    }
    QLineSeries* Serie(const char* name) {
        for (const char* vue : {"Chart1", "Chart4", "Chart5"})
            for (QAbstractSeries* serie : Chart(vue)->chart()->series())
                if (serie->objectName() == name)
                    return static_cast<QLineSeries*>(serie);
        ADD_FAILURE() << name;
        return nullptr;
    }
    QChartView* Chart(const char* name) { return form->findChild<QChartView*>(name); }
    void Move(QChartView* chart, QPoint at) {
        QMouseEvent move(QEvent::MouseMove, at, chart->viewport()->mapToGlobal(at), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(chart->viewport(), &move);
    }
};

TEST_F(ChartsTest, SynthesisPageOfAQuoteWithoutTradesAndOfAShortPosition) {
    Valeurs* titre = Add("12000", 123456, -0.5f);
    Select(titre);
    EXPECT_EQ(Text("LCours"), QString("1\u00A0234,56"));
    EXPECT_EQ(Text("LVar"), "-0,50");
    EXPECT_TRUE(Red("LVar"));
    EXPECT_EQ(Text("DateHeure"), "13/03/26 - 17:35");
    for (const char* nombre : {"NbA", "NbV", "NbP"})
        EXPECT_EQ(Text(nombre), "0") << nombre;
    for (const char* montant : {"PxMB", "PxMN", "CoB", "CoN", "PvLB", "PvB", "CoAB", "VPortN"})
        EXPECT_EQ(Text(montant), "0,00") << montant;
    for (const char* rendement : {"VRentB", "VRentN", "VRLatB", "VRLatN"}) {
        EXPECT_EQ(Text(rendement), "0,00 %") << rendement;
        EXPECT_FALSE(Red(rendement)) << rendement;
    }
    EXPECT_EQ(Text("LVarG"), "0,00 %") << "no history file";
    EXPECT_EQ(Chart("Chart4")->chart()->title(), "");
    EXPECT_EQ(Serie("Series2")->count(), 0);
    // A folder where the intraday file goes is named on the chart, which stays empty.
    std::filesystem::create_directories(Path("data/intraday/12000.itd"));
    form->RefreshViews(titre);
    EXPECT_TRUE(Chart("Chart4")->chart()->title().contains("12000.itd"));
    EXPECT_EQ(Serie("Series2")->count(), 0);
    std::filesystem::remove(Path("data/intraday/12000.itd"));

    titre->Infos.Variation = 0.0f;
    form->RefreshViews(titre);
    EXPECT_FALSE(Red("LVar"));

    // Selling short: the holding costs nothing while the count shows the negative quantity.
    AddTrade(titre, EncodeDate(2026, 3, 2), 'V', 5, 1000);
    form->RefreshViews(titre);
    EXPECT_EQ(Text("NbP"), "-5");
    EXPECT_EQ(Text("VPortB"), "0,00");
    EXPECT_EQ(Text("VPortN"), "0,00");
}

TEST_F(ChartsTest, IntradayChartVariationAndHistoryChart) {
    Valeurs* titre = Add("13000", 1000, 1.0f);
    WriteFile("data/intraday/13000.itd", "05/12/01\n1000 930\nxx\n1050 1730\n");
    Histo("13000", {1000, 1100, 1000, 1200, 980});
    form->findChild<QSlider*>("TrackVar")->setValue(3);
    Select(titre);
    QChart* intraday = Chart("Chart4")->chart();
    EXPECT_EQ(intraday->title(), "Intraday du 05/12/01");
    ASSERT_EQ(Serie("Series2")->count(), 2);
    EXPECT_DOUBLE_EQ(Serie("Series2")->at(1).y(), 10.5);
    ASSERT_EQ(Serie("Series9")->count(), 2);
    EXPECT_DOUBLE_EQ(Serie("Series9")->at(0).y(), 9.8);
    EXPECT_TRUE(intraday->axes().front()->isVisible());
    // 980 against 1000 two rows back.
    EXPECT_EQ(Text("LVarG"), "-2,00 %");
    EXPECT_TRUE(Red("LVarG"));
    EXPECT_EQ(Text("TxtVar"), QString("Variation à 3 jr(s)"));

    // The "Graphiques" tab draws the history of the range (the last 30 days) and today.
    form->findChild<QDateEdit*>("PDateDeb")->setDate(QDate(2026, 2, 17));
    form->findChild<QTabWidget*>("PageCtl1")->setCurrentIndex(2);
    ReadKey([](platform::SettingsStore& s) {
        EXPECT_DOUBLE_EQ(s.ReadDate("DATEDEB"), EncodeDate(2026, 2, 17));
    });
    ASSERT_EQ(Serie("Series1")->count(), 5) << "four rows in the range and today";
    EXPECT_DOUBLE_EQ(Serie("Series1")->at(0).y(), 11.0);
    EXPECT_EQ(Serie("Series5")->count(), 0) << "ten rows needed before the average";
    EXPECT_TRUE(Serie("Series8")->isVisible());

    auto* volume = form->findChild<QToolButton*>("BtVolume");
    volume->click();
    EXPECT_TRUE(Serie("Series7")->isVisible());
    EXPECT_FALSE(Serie("Series8")->isVisible());
    EXPECT_FALSE(form->findChild<QSlider*>("Track3")->isVisibleTo(form.get()));
    EXPECT_DOUBLE_EQ(Serie("Series7")->at(0).y(), 12345 * 2 * 0.001);
    volume->click();
    EXPECT_TRUE(volume->isChecked()) << "a button that is down stays down";
    EXPECT_FALSE(form->findChild<QToolButton*>("BtRSI")->isChecked());

    // Without its intraday file the chart has no title, no points and no axes.
    std::filesystem::remove(Path("data/intraday/13000.itd"));
    form->RefreshViews(titre);
    EXPECT_EQ(intraday->title(), "");
    EXPECT_EQ(Serie("Series2")->count(), 0);
    EXPECT_FALSE(intraday->axes().front()->isVisible());
}

TEST_F(ChartsTest, AxesAreGraduatedAtRoundValuesAndLeaveRoomForTheEnds) {
    Valeurs* titre = Add("16000", 17700, 1.0f);
    // Ticks from 09:57 on, prices between 176,99 and 177,98.
    std::string ticks = "13/03/26\n";
    for (int minute = 9 * 60 + 57; minute <= 17 * 60 + 30; minute += 7)
        ticks += std::to_string(17699 + (minute * 37) % 100) + " " +
                 std::to_string(minute / 60 * 100 + minute % 60) + "\n";
    WriteFile("data/intraday/16000.itd", ticks);
    Histo("16000", {17000, 17100, 17200, 17300});
    form->findChild<QDateEdit*>("PDateDeb")->setDate(QDate(2026, 2, 1));
    form->resize(1100, 800);
    form->show();
    Select(titre);
    QApplication::processEvents();

    QChart* intraday = Chart("Chart4")->chart();
    auto* heures = qobject_cast<QCategoryAxis*>(intraday->axes(Qt::Horizontal).front());
    ASSERT_NE(heures, nullptr);
    const QStringList libelles = heures->categoriesLabels();
    ASSERT_GE(libelles.size(), 4) << "a wide chart has room for several times";
    EXPECT_LE(libelles.size(), 17);
    for (const QString& libelle : libelles) {
        EXPECT_TRUE(libelle.endsWith(":00") || libelle.endsWith(":30")) << libelle.toStdString();
        // Each label stands at the time it reads.
        const QTime heure = QTime::fromString(libelle, "hh:mm");
        ASSERT_TRUE(heure.isValid()) << libelle.toStdString();
        EXPECT_NEAR(heures->endValue(libelle), heure.msecsSinceStartOfDay() / 86400000.0, 1e-9);
    }
    EXPECT_EQ(libelles.front(), "10:00");
    // The prices: a round step from a round anchor, some graduations between the bounds.
    auto* prix = qobject_cast<QValueAxis*>(intraday->axes(Qt::Vertical).front());
    ASSERT_NE(prix, nullptr);
    EXPECT_EQ(prix->tickType(), QValueAxis::TicksDynamic);
    EXPECT_DOUBLE_EQ(prix->tickAnchor(), 0.0);
    const double intervalles = (prix->max() - prix->min()) / prix->tickInterval();
    EXPECT_GE(intervalles, 2.0);
    EXPECT_LE(intervalles, 15.0);
    EXPECT_TRUE(std::set<double>({0.1, 0.2, 0.5, 1.0, 2.0}).count(prix->tickInterval()))
        << prix->tickInterval();

    // The history chart: the first and last points lie inside the axis, not on its ends.
    form->findChild<QTabWidget*>("PageCtl1")->setCurrentIndex(2);
    QApplication::processEvents();
    QChart* histo = Chart("Chart1")->chart();
    QLineSeries* cours = Serie("Series1");
    ASSERT_EQ(cours->count(), 5);
    const QRectF zone = histo->plotArea();
    const QPointF premier = histo->mapToPosition(cours->at(0), cours);
    const QPointF dernier = histo->mapToPosition(cours->at(4), cours);
    EXPECT_GE(premier.x() - zone.left(), 4.0);
    EXPECT_GE(zone.right() - dernier.x(), 4.0);
}

// The price axis lays out one graduation per step: a wide range must never meet the step of
// a narrow chart shown before, or the window spins on millions of graduations.
TEST_F(ChartsTest, APriceRangeIsNeverSetWithThePreviousChartsStep) {
    Valeurs* etroit = Add("18000", 1000, 1.0f);
    WriteFile("data/intraday/18000.itd", "13/03/26\n1000 1000\n1010 1100\n");
    form->resize(1100, 800);
    form->show();
    Select(etroit);
    QApplication::processEvents();
    auto* prix = qobject_cast<QValueAxis*>(Chart("Chart4")->chart()->axes(Qt::Vertical).front());
    ASSERT_NE(prix, nullptr);
    double graduations = 0.0;
    // Told of each bound as it is set, before the chart lays the axis out.
    const auto compte = [&] {
        const double n = prix->tickType() == QValueAxis::TicksDynamic && prix->tickInterval() > 0.0
                             ? (prix->max() - prix->min()) / prix->tickInterval()
                             : prix->tickCount();
        graduations = std::max(graduations, n);
    };
    QObject::connect(prix, &QValueAxis::minChanged, prix, compte);
    QObject::connect(prix, &QValueAxis::maxChanged, prix, compte);
    // From 0 to 4 505 euros, and the largest price a tick can hold.
    for (const std::string& plus : {std::string("450500"), std::string("2147483647")}) {
        Valeurs* large = Add("18" + plus, 1000, 1.0f);
        WriteFile("data/intraday/18" + plus + ".itd", "13/03/26\n0 1000\n" + plus + " 1100\n");
        graduations = 0.0;
        Select(large);
        QApplication::processEvents();
        EXPECT_GT(prix->max(), 4505.0) << plus;
        EXPECT_LE(graduations, 100.0) << plus;
        Select(etroit);
        QApplication::processEvents();
    }
}

TEST_F(ChartsTest, CrosshairFollowsTheMouseAndReadsThePointOut) {
    Valeurs* titre = Add("14000", 1300, 1.0f);
    Histo("14000", {1000, 1100, 1200});
    form->findChild<QDateEdit*>("PDateDeb")->setDate(QDate(2026, 2, 1));
    Select(titre);
    form->findChild<QTabWidget*>("PageCtl1")->setCurrentIndex(2);
    form->resize(900, 700);
    form->show();
    QApplication::processEvents();

    QChartView* vue = Chart("Chart1");
    QLineSeries* prix = Serie("Series1");
    ASSERT_EQ(prix->count(), 4);
    const QPointF scene = vue->chart()->mapToScene(vue->chart()->mapToPosition(prix->at(1), prix));
    const QPoint point = vue->mapFromScene(scene);
    auto* croix = dynamic_cast<CroixOverlay*>(vue->viewport()->findChild<QWidget*>("Chart1Croix"));
    ASSERT_NE(croix, nullptr);
    auto* panneau = form->findChild<QLabel*>("StatusPanel2");

    Move(vue, point + QPoint(2, 1));
    Move(vue, point + QPoint(1, 2));
    // The figure with the program's decimal separator.
    EXPECT_EQ(panneau->text(), "Date : 17/02 Cours :11,00");
    EXPECT_EQ(croix->Figures(), 1) << "the first one was erased";
    // Outside the plotting area: erased, the read-out stays.
    Move(vue, QPoint(1, 1));
    EXPECT_EQ(croix->Figures(), 0);
    EXPECT_EQ(panneau->text(), "Date : 17/02 Cours :11,00");
    // Off the chart: the read-out goes with the crosshair.
    Move(vue, point);
    QEvent sortie(QEvent::Leave);
    QApplication::sendEvent(vue->viewport(), &sortie);
    EXPECT_EQ(croix->Figures(), 0);
    EXPECT_EQ(panneau->text(), "");
    // A redraw of the chart leaves nothing to erase.
    Move(vue, point);
    form->ShowGraphiques(titre);
    EXPECT_EQ(croix->Figures(), 0);
    Move(vue, point);
    EXPECT_EQ(croix->Figures(), 1);
}

TEST_F(ChartsTest, AForeignCodeReadsOnlyItsOwnFilesInsideTheDataFolders) {
    Valeurs* titre = Add("../16000", 1000, 1.0f);
    // What the code would name outside the folders.
    WriteFile("data/16000.itd", "05/12/01\n1000 930\n");
    WriteFile("data/16000.his", "01/01/1970\n16/02/2026;900;0;0;0;\n");
    WriteFile("data/intraday/..%2F16000.itd", "06/12/01\n1100 1000\n");
    Select(titre);
    EXPECT_EQ(Chart("Chart4")->chart()->title(), "Intraday du 06/12/01");
    ASSERT_EQ(Serie("Series2")->count(), 1);
    EXPECT_DOUBLE_EQ(Serie("Series2")->at(0).y(), 11.0);
    EXPECT_EQ(Serie("Series9")->count(), 0) << "no history of its own";
    EXPECT_EQ(doc->TitreHisto, titre);
}

TEST_F(ChartsTest, UnreadableHistoryStillDrawsThePageAndSaysWhy) {
    Valeurs* titre = Add("15000", 1000, 1.0f);
    WriteFile("data/intraday/15000.itd", "05/12/01\n1000 930\n");
    WriteFile("data/historique/15000.his", "01/01/1970\n16/02/2026;abc;0;0;0;\n");
    form->findChild<QTabWidget*>("PageCtl1")->setCurrentIndex(2);
    Select(titre);
    ASSERT_NE(LastMessage(), nullptr);
    EXPECT_TRUE(LastMessage()->text.contains("15000.his"));
    EXPECT_EQ(Serie("Series2")->count(), 1) << "the intraday chart is drawn all the same";
    EXPECT_EQ(Serie("Series9")->count(), 0);
    EXPECT_EQ(Serie("Series1")->count(), 0);
    EXPECT_EQ(Text("LVarG"), "0,00 %");
}

TEST_F(ChartsTest, TheThreeDimensionalSwitchesThickenTheLinesOfTheirOwnChartsAndShadeThem) {
    Valeurs* titre = Add("17000", 17700, 1.0f);
    WriteFile("data/intraday/17000.itd", "13/03/26\n17700 1000\n17710 1100\n");
    Histo("17000", {17000, 17100, 17200});
    Select(titre);
    const auto epaisseurs = [this](const char* vue) {
        QList<qreal> largeurs;
        for (QAbstractSeries* serie : Chart(vue)->chart()->series())
            if (auto* ligne = qobject_cast<QLineSeries*>(serie))
                largeurs << ligne->pen().widthF();
        return largeurs;
    };
    ASSERT_FALSE(epaisseurs("Chart1").isEmpty());
    ASSERT_FALSE(epaisseurs("Chart4").isEmpty());
    const QList<qreal> intradayAvant = epaisseurs("Chart4");
    const auto relief = [&](const char* vue, bool en3d) {
        EXPECT_EQ(Chart(vue)->chart()->isDropShadowEnabled(), en3d) << vue;
        for (const qreal largeur : epaisseurs(vue))
            EXPECT_EQ(largeur, en3d ? 4.0 : 2.0) << vue;
    };

    form->findChild<QCheckBox*>("Check3d")->click();
    relief("Chart1", true);
    relief("Chart5", true);
    EXPECT_FALSE(Chart("Chart4")->chart()->isDropShadowEnabled());
    EXPECT_EQ(epaisseurs("Chart4"), intradayAvant);

    form->findChild<QCheckBox*>("Check3d")->click();
    relief("Chart1", false);

    form->findChild<QCheckBox*>("Check3D2")->click();
    relief("Chart4", true);
}

} // namespace
