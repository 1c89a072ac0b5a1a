// The security page's construction and its synthesis tab: the last quote, the position
// block, the yields since the profitability date and the variation over the history, above
// the intraday chart (SecurityIntraday.cpp). The widgets of the history tab are built here
// too; they are drawn in SecurityHisto.cpp.

#include "window/SecurityPage.h"

#include "views/ViewText.h"
#include "widgets/QtDates.h"
#include "window/ChartWidgets.h"
#include "window/PageBlocks.h"
#include "window/PageHost.h"

#include "platform/DateText.h"
#include "platform/Numbers.h"
#include "portfolio/Cv.h"

#include <QBoxLayout>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QDateEdit>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineSeries>
#include <QLocale>
#include <QSlider>
#include <QTabWidget>
#include <QToolButton>
#include <QValueAxis>

#include <exception>

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

using page::AfficheSigne;
using page::Cadre;
using page::Entete;
using page::Legende;

// A read-out of the security page.
QLabel* Afficheur(QWidget* parent, const char* name, int largeur = 82) {
    return page::Afficheur(parent, name, largeur);
}

QSlider* MakeTrack(QWidget* parent, const char* name, int minimum, int position) {
    auto* track = new QSlider(Qt::Horizontal, parent);
    track->setObjectName(name);
    track->setRange(minimum, 50);
    track->setValue(position);
    track->setTickPosition(QSlider::TicksBelow);
    track->setTickInterval(5);
    return track;
}

QLabel* MakeCaption(QWidget* parent, const char* name, const QString& style) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setStyleSheet(style);
    label->setMinimumWidth(90);
    return label;
}

QLineSeries* Serie(QChart* chart, const char* name, const QColor& couleur) {
    auto* serie = new QLineSeries(chart);
    serie->setObjectName(name);
    serie->setColor(couleur);
    chart->addSeries(serie);
    return serie;
}

// A line with the small round pointers of the history series.
void Pointeurs(QLineSeries* serie, const QColor& pointeur) {
    serie->setPointsVisible(true);
    serie->setMarkerSize(4);
    serie->setProperty("Pointeur", pointeur);
}

QChart* ChartLignes(QChartView* vue) {
    QChart* chart = vue->chart();
    chart->legend()->hide();
    chart->setBackgroundRoundness(0);
    chart->setMargins(QMargins(4, 4, 4, 4));
    // Axis values with the decimal comma of the window's other figures.
    chart->setLocalizeNumbers(true);
    chart->setLocale(QLocale(QLocale::French, QLocale::France));
    vue->setRenderHint(QPainter::Antialiasing);
    vue->setRubberBand(QChartView::NoRubberBand);
    return chart;
}

void Attache(QChart* chart, QAbstractAxis* bas, QAbstractAxis* gauche,
             std::initializer_list<QLineSeries*> series) {
    chart->addAxis(bas, Qt::AlignBottom);
    chart->addAxis(gauche, Qt::AlignLeft);
    for (QLineSeries* serie : series) {
        serie->attachAxis(bas);
        serie->attachAxis(gauche);
    }
}

// The last quote: its date and time above the price, the variation and the day's range.
QFrame* CoursBlock(QWidget* corps, ChartWidgets& c) {
    QFrame* cours = Cadre(corps);
    auto* q = new QGridLayout(cours);
    q->setContentsMargins(6, 3, 6, 3);
    c.DateHeure = new QLabel(cours);
    c.DateHeure->setObjectName("DateHeure");
    c.DateHeure->setStyleSheet("font-weight: bold;");
    c.LCours = Afficheur(cours, "LCours");
    c.LVar = Afficheur(cours, "LVar");
    c.LHaut = Afficheur(cours, "LHaut");
    c.LBas = Afficheur(cours, "LBas");
    // The date and time of the quote head the block, above the captions.
    q->addWidget(c.DateHeure, 0, 0, 1, 4);
    q->addWidget(Entete(cours, "Dernier Cours"), 1, 0);
    q->addWidget(Entete(cours, "Variation"), 1, 1);
    q->addWidget(Entete(cours, "+Haut"), 1, 2);
    q->addWidget(Entete(cours, "+Bas"), 1, 3);
    q->addWidget(c.LCours, 2, 0);
    q->addWidget(c.LVar, 2, 1);
    q->addWidget(c.LHaut, 2, 2);
    q->addWidget(c.LBas, 2, 3);
    q->setColumnStretch(4, 1);
    return cours;
}

// The position in the security: mean price, valuation, gains and yields, gross and net.
QFrame* PositionBlock(QWidget* corps, ChartWidgets& c) {
    QFrame* position = Cadre(corps);
    auto* g = new QGridLayout(position);
    g->setContentsMargins(6, 3, 6, 3);
    g->setVerticalSpacing(2);
    g->addWidget(Entete(position, "Brut."), 0, 1);
    g->addWidget(Entete(position, "Net."), 0, 2);
    g->addWidget(Entete(position, "S.R.D"), 0, 3);
    const auto ligne = [&](int r, const char* legende, QLabel*& brut, const char* nomBrut,
                           QLabel*& net, const char* nomNet) {
        g->addWidget(Legende(position, legende), r, 0);
        brut = Afficheur(position, nomBrut);
        net = Afficheur(position, nomNet);
        g->addWidget(brut, r, 1);
        g->addWidget(net, r, 2);
    };
    ligne(1, "Prix moyen", c.PxMB, "PxMB", c.PxMN, "PxMN");
    ligne(2, "Valorisation", c.CoB, "CoB", c.CoN, "CoN");
    ligne(3, "+Value Lat.", c.PvLB, "PvLB", c.PvLN, "PvLN");
    ligne(4, "Ren. Lat.", c.VRLatB, "VRLatB", c.VRLatN, "VRLatN");
    ligne(5, "+Value Réal.", c.PvB, "PvB", c.PvN, "PvN");
    ligne(6, "Rentablité", c.VRentB, "VRentB", c.VRentN, "VRentN");
    c.PvLNSRD = Afficheur(position, "PvLNSRD");
    const QString aide = QString("+Value latente tenant compte de l'application de frais S.R.D");
    c.PvLNSRD->setToolTip(aide);
    c.PvLNSRD->setStatusTip(aide);
    g->addWidget(c.PvLNSRD, 3, 3);
    return position;
}

// The purchases, the sales and what is held: their counts and costs.
QFrame* ComptesBlock(QWidget* corps, ChartWidgets& c) {
    QFrame* comptes = Cadre(corps);
    auto* k = new QGridLayout(comptes);
    k->setContentsMargins(6, 3, 6, 3);
    k->setVerticalSpacing(2);
    k->addWidget(Entete(comptes, "Coût Brut."), 0, 2);
    k->addWidget(Entete(comptes, "Coût Net."), 0, 3);
    const auto compte = [&](int r, const char* legende, QLabel*& nombre, const char* nomNombre,
                            QLabel*& brut, const char* nomBrut, QLabel*& net, const char* nomNet) {
        k->addWidget(Legende(comptes, legende), r, 0);
        nombre = Afficheur(comptes, nomNombre, 44);
        brut = Afficheur(comptes, nomBrut);
        net = Afficheur(comptes, nomNet);
        k->addWidget(nombre, r, 1);
        k->addWidget(brut, r, 2);
        k->addWidget(net, r, 3);
    };
    compte(1, "Achats", c.NbA, "NbA", c.CoAB, "CoAB", c.CoAN, "CoAN");
    compte(2, "Ventes", c.NbV, "NbV", c.CoVB, "CoVB", c.CoVN, "CoVN");
    compte(3, "Portefeuille", c.NbP, "NbP", c.VPortB, "VPortB", c.VPortN, "VPortN");
    k->setRowStretch(4, 1);
    return comptes;
}

// The series of the upper history chart: the closes with their pointers and the two moving
// averages.
void PrepareHistorique(QChartView* vue, ChartWidgets& c) {
    QChart* haut = ChartLignes(vue);
    haut->setTitle("Historique de la valeur");
    c.Series1 = Serie(haut, "Series1", QColor(64, 0, 64));
    Pointeurs(c.Series1, QColor(255, 0, 0));
    c.Series5 = Serie(haut, "Series5", QColor(0, 0, 255));
    c.Series6 = Serie(haut, "Series6", QColor(0, 128, 64));
    c.Chart1Bas = new QCategoryAxis(haut);
    c.Chart1Bas->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    c.Chart1Gauche = new QValueAxis(haut);
    c.Chart1Gauche->setLabelFormat("%.2f");
    Attache(haut, c.Chart1Bas, c.Chart1Gauche, {c.Series1, c.Series5, c.Series6});
}

// The lower history chart: the RSI or the volume.
QChartView* ChartIndicateur(QWidget* page, ChartWidgets& c) {
    c.Chart5 = new QChartView(new QChart, page);
    c.Chart5->setObjectName("Chart5");
    c.Chart5->setMinimumHeight(120);
    QChart* bas = ChartLignes(c.Chart5);
    c.Series7 = Serie(bas, "Series7", QColor(255, 0, 0));
    Pointeurs(c.Series7, QColor(255, 0, 0));
    c.Series8 = Serie(bas, "Series8", QColor(0, 128, 0));
    Pointeurs(c.Series8, QColor(0, 128, 0));
    c.Chart5Bas = new QCategoryAxis(bas);
    c.Chart5Bas->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    c.Chart5Gauche = new QValueAxis(bas);
    c.Chart5Gauche->setLabelFormat("%.0f");
    Attache(bas, c.Chart5Bas, c.Chart5Gauche, {c.Series7, c.Series8});
    return c.Chart5;
}

// The two buttons that choose what the lower chart shows; the RSI at first.
QHBoxLayout* BoutonsIndicateur(QWidget* page, ChartWidgets& c) {
    c.BtRSI = new QToolButton(page);
    c.BtRSI->setObjectName("BtRSI");
    c.BtRSI->setText("R.S.I");
    c.BtVolume = new QToolButton(page);
    c.BtVolume->setObjectName("BtVolume");
    c.BtVolume->setText("Volume");
    for (QToolButton* bouton : {c.BtRSI, c.BtVolume}) {
        bouton->setCheckable(true);
        bouton->setAutoRaise(true);
        bouton->setMinimumWidth(70);
    }
    c.BtRSI->setChecked(true);
    auto* boutons = new QHBoxLayout;
    boutons->addWidget(c.BtRSI);
    boutons->addWidget(c.BtVolume);
    boutons->addStretch(1);
    return boutons;
}

} // namespace

SecurityPage::SecurityPage(PageHost& host, QTabWidget* pages)
    : QObject(pages), FHost(host), PageCtl1(pages) {
    FCharts = new ChartWidgets(this);
    CreateSecuritySynthesis(pages->widget(0));
    CreateHistoryTab(pages->widget(2));
    CreateHistoryCharts(pages->widget(2));
    CreateCrosshairs();
    ConnectChartControls();
    ClearGraphiques(false);
    FCharts->Chart4Bas->setVisible(false);
    FCharts->Chart4Gauche->setVisible(false);

    for (QSlider* track : {Track1, Track2, Track3, TrackVar})
        connect(track, &QSlider::valueChanged, this, [this, track] { Track1Change(track); });
    // Until a bar first moves, its caption is the one the form was designed with.
    TxtTr1->setText(QString("Moy. à 10jr(s)"));
    TxtTr2->setText(QString("Moy. à 20jr(s)"));
    TxtTr3->setText(QString("RSI. à 7jr(s)"));
    TxtVar->setText(QString("Variation à  7jr(s)"));
    Check3d->setChecked(false);
    Chart1->setCursor(Qt::CrossCursor);
}

std::int32_t SecurityPage::Jours(Periode periode) const {
    switch (periode) {
    case Periode::Moyenne1:
        return FMoyenne1;
    case Periode::Moyenne2:
        return FMoyenne2;
    case Periode::Rsi:
        return FRsi;
    case Periode::Variation:
        break;
    }
    return FPerVar;
}

void SecurityPage::SetJours(Periode periode, std::int32_t jours) {
    QSlider* const barres[] = {Track1, Track2, Track3, TrackVar};
    // The bar keeps the period within its range and, as it moves, gives it to the page.
    barres[static_cast<int>(periode)]->setValue(jours);
}

double SecurityPage::DebutHisto() const {
    return FromQDate(PDateDeb->date());
}

double SecurityPage::FinHisto() const {
    return FromQDate(PDateFin->date());
}

void SecurityPage::SetDebutHisto(double date) {
    PDateDeb->setDate(ToQDate(date));
}

void SecurityPage::SetFinHisto(double date) {
    PDateFin->setDate(ToQDate(date));
}

// The range pickers, the chart, and the bars of the averaging periods and of the RSI.
void SecurityPage::CreateHistoryTab(QWidget* page) {
    auto* layout = new QVBoxLayout(page);
    auto* haut = new QHBoxLayout;
    PDateDeb = MakeDatePicker(page, "PDateDeb");
    PDateFin = MakeDatePicker(page, "PDateFin");
    haut->addWidget(new QLabel(QString("Période"), page));
    haut->addWidget(PDateDeb);
    haut->addWidget(PDateFin);
    haut->addStretch(1);
    Check3d = new QCheckBox("3D", page);
    Check3d->setObjectName("Check3d");
    haut->addWidget(Check3d);
    layout->addLayout(haut);

    auto* chart = new QChart;
    chart->setTitle("Historique de la valeur");
    chart->legend()->hide();
    Chart1 = new QChartView(chart, page);
    Chart1->setObjectName("Chart1");
    layout->addWidget(Chart1, 1);

    auto* bas = new QGridLayout;
    Track1 = MakeTrack(page, "Track1", 0, 10);
    Track2 = MakeTrack(page, "Track2", 0, 20);
    Track3 = MakeTrack(page, "Track3", 2, 7);
    TxtTr1 = MakeCaption(page, "TxtTr1", "color: yellow; background: blue;");
    TxtTr2 = MakeCaption(page, "TxtTr2", "color: black; background: #00FF00;");
    TxtTr3 = MakeCaption(page, "TxtTr3", "color: black; background: #00FF00;");
    bas->addWidget(TxtTr1, 0, 0);
    bas->addWidget(Track1, 0, 1);
    bas->addWidget(TxtTr2, 0, 2);
    bas->addWidget(Track2, 0, 3);
    bas->addWidget(TxtTr3, 1, 0);
    bas->addWidget(Track3, 1, 1);
    layout->addLayout(bas);
}

// The quote and position read-outs, the variation, the intraday chart.
void SecurityPage::CreateSecuritySynthesis(QWidget* page) {
    ChartWidgets& c = *FCharts;
    auto* grille = new QGridLayout(page);
    TrackVar = MakeTrack(page, "TrackVar", 0, 7);
    TxtVar = MakeCaption(page, "TxtVar", "color: yellow; background: blue;");
    auto* corps = new QWidget(page);
    corps->setObjectName("SyntheseValeur");
    grille->addWidget(corps, 1, 0, 1, std::max(grille->columnCount(), 1));
    grille->setRowStretch(1, 1);
    auto* colonne = new QVBoxLayout(corps);
    colonne->setContentsMargins(0, 0, 0, 0);

    colonne->addWidget(CoursBlock(corps, c));
    auto* tableaux = new QHBoxLayout;
    tableaux->addWidget(PositionBlock(corps, c));
    tableaux->addWidget(ComptesBlock(corps, c), 0, Qt::AlignTop);
    tableaux->addStretch(1);
    colonne->addLayout(tableaux);

    auto* variation = new QHBoxLayout;
    c.LVarG = Afficheur(corps, "LVarG");
    c.Check3D2 = new QCheckBox("3D", corps);
    c.Check3D2->setObjectName("Check3D2");
    variation->addWidget(TxtVar);
    variation->addWidget(TrackVar, 1);
    variation->addWidget(c.LVarG);
    variation->addSpacing(20);
    variation->addWidget(c.Check3D2);
    colonne->addLayout(variation);

    colonne->addWidget(CreateIntradayChart(corps), 1);
}

QChartView* SecurityPage::CreateIntradayChart(QWidget* corps) {
    ChartWidgets& c = *FCharts;
    c.Chart4 = new QChartView(new QChart, corps);
    c.Chart4->setObjectName("Chart4");
    c.Chart4->setMinimumHeight(160);
    QChart* chart = ChartLignes(c.Chart4);
    chart->setTitle("TChart");
    c.Series2 = Serie(chart, "Series2", QColor(255, 0, 0));
    c.Series9 = Serie(chart, "Series9", QColor(0, 0, 255));
    // Times of day as day fractions, labelled at round times rather than at even
    // divisions of the day's range.
    c.Chart4Bas = new QCategoryAxis(chart);
    c.Chart4Bas->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    c.Chart4Gauche = new QValueAxis(chart);
    c.Chart4Gauche->setLabelFormat("%.2f");
    Attache(chart, c.Chart4Bas, c.Chart4Gauche, {c.Series2, c.Series9});
    // How many graduations fit depends on the chart's size.
    connect(chart, &QChart::plotAreaChanged, this, [this] { GradueIntraday(*FCharts); });
    return c.Chart4;
}

// The lower chart and the RSI/volume buttons join the upper chart on the history page.
void SecurityPage::CreateHistoryCharts(QWidget* page) {
    ChartWidgets& c = *FCharts;
    auto* colonne = qobject_cast<QVBoxLayout*>(page->layout());
    PrepareHistorique(Chart1, c);
    colonne->insertWidget(colonne->indexOf(Chart1) + 1, ChartIndicateur(page, c), 1);
    colonne->setStretchFactor(Chart1, 2);

    // The buttons go on the sliders' grid, beside the RSI period; at the foot of the page when
    // it has no such grid.
    QHBoxLayout* boutons = BoutonsIndicateur(page, c);
    for (int i = 0; i < colonne->count(); ++i)
        if (auto* grille = qobject_cast<QGridLayout*>(colonne->itemAt(i)->layout())) {
            grille->addLayout(boutons, 1, 2, 1, 2);
            break;
        }
    if (boutons->parent() == nullptr)
        colonne->addLayout(boutons);
}

// The crosshair over the three line charts.
void SecurityPage::CreateCrosshairs() {
    ChartWidgets& c = *FCharts;
    c.Croix1 = new CroixOverlay(Chart1);
    c.Croix4 = new CroixOverlay(c.Chart4);
    c.Croix5 = new CroixOverlay(c.Chart5);
    c.Croix1->ApresDessin = [this] { Chart1AfterDraw(); };
    c.Croix4->ApresDessin = [this] { Chart4AfterDraw(); };
    c.Croix5->ApresDessin = [this] { Chart5AfterDraw(); };
    SuitSouris(Chart1, [this](QPoint at) { Chart1MouseMove(at.x(), at.y()); });
    SuitSouris(c.Chart4, [this](QPoint at) { Chart4MouseMove(at.x(), at.y()); });
    SuitSouris(c.Chart5, [this](QPoint at) { Chart5MouseMove(at.x(), at.y()); });
    c.Chart4->setCursor(Qt::CrossCursor);
    c.Chart5->setCursor(Qt::CrossCursor);
}

// The range pickers, the lower chart's buttons and the two 3D boxes.
void SecurityPage::ConnectChartControls() {
    ChartWidgets& c = *FCharts;
    // A date is reported once it is entered, not at every keystroke.
    for (QDateEdit* picker : {PDateDeb, PDateFin}) {
        picker->setKeyboardTracking(false);
        connect(picker, &QDateEdit::dateChanged, this,
                [this] { FHost.Guard([&] { PDateDebChange(); }); });
    }
    for (QToolButton* bouton : {c.BtRSI, c.BtVolume})
        connect(bouton, &QToolButton::clicked, this,
                [this, bouton] { FHost.Guard([&] { BtRSIClick(bouton); }); });
    for (QCheckBox* boite : {Check3d, c.Check3D2})
        connect(boite, &QCheckBox::toggled, this, [this, boite] { Check3dClick(boite); });
}

void SecurityPage::ShowTitre(Valeurs* titre) {
    if (FHost.Portefeuille() == nullptr || titre == nullptr || FCharts == nullptr)
        return;
    TCorv& doc = *FHost.Portefeuille();
    ChartWidgets& c = *FCharts;
    const float f = doc.Facteur;
    const BilanTitre& b = titre->Bilan;
    const InfosCours& infos = titre->Infos;
    const auto montant = [f](QLabel* label, std::int64_t cents) {
        label->setText(Q(MontantText(cents, f)));
    };
    const auto signe = [f](QLabel* label, std::int64_t cents) {
        AfficheSigne(label, Q(MontantText(cents, f)), cents < 0);
    };
    const auto rendement = [](QLabel* label, std::int32_t dixMilliemes) {
        AfficheSigne(label, Q(PourcentText(dixMilliemes * 0.01)), dixMilliemes < 0);
    };

    // The last quote.
    c.LCours->setText(Q(MontantText(infos.Cours, f)));
    AfficheSigne(c.LVar, Q(platform::FormatNumber(infos.Variation)), infos.Variation < 0.0f);
    c.LHaut->setText(Q(MontantText(infos.Haut, f)));
    c.LBas->setText(Q(MontantText(infos.Bas, f)));
    c.DateHeure->setText(Q(DateCoursText(infos.Date, infos.Heure, " - ")));

    // The position block.
    c.NbA->setText(Q(platform::FormatInt(b.NbAchat)));
    c.NbV->setText(Q(platform::FormatInt(b.NbVentes)));
    c.NbP->setText(Q(platform::FormatInt(b.NbInPort)));
    montant(c.CoAB, b.ARealBrut);
    montant(c.CoAN, b.ARealNet);
    montant(c.CoVB, b.VRealBrut);
    montant(c.CoVN, b.VRealNet);
    montant(c.PxMB, b.PxMoyAchBrut);
    c.PxMN->setText(Q(EurosText(b.PxMoyAchNet, f)));
    montant(c.CoB, b.ValorBrut);
    montant(c.CoN, b.ValorNet);
    // A short position costs nothing to hold.
    if (b.NbInPort >= 1) {
        montant(c.VPortB, static_cast<std::int64_t>(b.NbInPort) * b.PxMoyAchBrut);
        c.VPortN->setText(
            Q(platform::FormatNumber(static_cast<double>(b.NbInPort) *
                                     static_cast<double>(b.PxMoyAchNet) * static_cast<double>(f))));
    } else {
        montant(c.VPortB, 0);
        montant(c.VPortN, 0);
    }
    montant(c.PvB, b.PlValBrut);
    montant(c.PvN, b.PlValNet);
    signe(c.PvLB, b.PlValLatBrut);
    signe(c.PvLN, b.PlValLatNet);
    signe(c.PvLNSRD, b.PlValLatNetSRD);

    // Yields since the profitability date: ratios × 10000, shown as percentages.
    doc.ComputeRentabilite(titre, FHost.DateRentabilite());
    rendement(c.VRentB, b.RentBrut);
    rendement(c.VRentN, b.RentNet);
    rendement(c.VRLatB, b.RentLatBrut);
    rendement(c.VRLatN, b.RentLatNet);

    // The variation over the history. A history file that cannot be read leaves the table
    // empty: the page is still drawn whole, then the error is reported.
    std::exception_ptr erreur;
    if (doc.TitreHisto != titre) {
        try {
            doc.LoadHistoFile(titre);
        } catch (...) {
            erreur = std::current_exception();
        }
    }
    const float v = doc.TitreHisto == titre ? doc.HistoVariation(FPerVar) : 0.0f;
    AfficheSigne(c.LVarG, Q(PourcentText(v)), v < 0.0f);

    ShowIntraday(titre, !erreur);

    if (PageCtl1->currentIndex() == 2) {
        if (erreur)
            ClearGraphiques(false);
        else
            ShowGraphiques(titre);
    }
    if (erreur)
        std::rethrow_exception(erreur);
}

void SecurityPage::Track1Change(QSlider* sender) {
    const int position = sender->value();
    const auto texte = [position](const char* debut) {
        return position != 0 ? QString::fromUtf8(debut) + QString::number(position) + " jr(s)"
                             : QString();
    };
    if (sender == TrackVar) {
        FPerVar = position;
        TxtVar->setText(texte("Variation à "));
    } else if (sender == Track3) {
        FRsi = position;
        TxtTr3->setText(texte("RSI. à"));
    } else if (sender == Track1) {
        FMoyenne1 = position;
        TxtTr1->setText(texte("Moy. à"));
    } else if (sender == Track2) {
        FMoyenne2 = position;
        TxtTr2->setText(texte("Moy. à"));
    }
    TrackRedraw(sender); // Charts
}
