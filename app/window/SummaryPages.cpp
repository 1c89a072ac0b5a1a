// The portfolio's summaries: the summary page with its cash/securities pie, the securities
// summary with its repartition pie, and the configurable repartition list; the date pickers
// of the settlement dates and of the profitability period.

#include "window/SummaryPages.h"

#include "dialogs/ColumnChooserDialog.h"
#include "views/ColonnesRep.h"
#include "views/PieData.h"
#include "views/Synthese.h"
#include "views/ViewSort.h"
#include "views/ViewText.h"
#include "widgets/ListRows.h"
#include "widgets/QtDates.h"
#include "widgets/UiPrompts.h"
#include "window/PageBlocks.h"
#include "window/PageHost.h"
#include "window/Registry.h"

#include "platform/Settings.h"
#include "portfolio/Cv.h"

#include <QBoxLayout>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QDateEdit>
#include <QFrame>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPieSeries>
#include <QPieSlice>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>

#include <cmath>

namespace {

QString Texte(const std::string& text) {
    return QString::fromStdString(text);
}

using page::AfficheSigne;

// Replaces a pie's slices and title. Each slice is labelled with its text and percentage;
// small slices are gathered into "Autre"; no slices leaves an empty pie under the title, and
// no series (null).
QPieSeries* DessineCamembert(QChartView* vue, const QString& titre,
                             const std::vector<PartCamembert>& parts) {
    QChart* chart = vue->chart();
    chart->removeAllSeries();
    chart->setTitle(titre);
    const std::vector<PartCamembert> visibles = RegroupePetitesParts(parts);
    if (visibles.empty())
        return nullptr;
    auto* serie = new QPieSeries;
    for (const PartCamembert& part : visibles)
        serie->append(Texte(part.Libelle), static_cast<qreal>(part.Valeur));
    for (QPieSlice* tranche : serie->slices()) {
        tranche->setLabel(tranche->label() + " " +
                          Texte(PourcentText(tranche->percentage() * 100.0)));
        tranche->setLabelVisible(true);
    }
    serie->setPieSize(0.6);
    chart->addSeries(serie);
    return serie;
}

using page::Cadre;
using page::Entete;
using page::Etiquette;

// A figure of a summary.
QLabel* Valeur(QWidget* parent, const char* name) {
    return page::Afficheur(parent, name, 110);
}

QToolButton* Bouton(QWidget* parent, const char* name, const char* text, const char* hint,
                    bool enfonce) {
    auto* bouton = new QToolButton(parent);
    bouton->setObjectName(name);
    bouton->setText(QString::fromUtf8(text));
    bouton->setCheckable(true);
    bouton->setChecked(enfonce);
    bouton->setMinimumWidth(80);
    if (hint != nullptr) {
        bouton->setToolTip(QString::fromUtf8(hint));
        bouton->setStatusTip(QString::fromUtf8(hint));
    }
    return bouton;
}

QChartView* Camembert(QWidget* parent, const char* name) {
    auto* chart = new QChart;
    chart->legend()->hide();
    chart->setBackgroundRoundness(0);
    auto* vue = new QChartView(chart, parent);
    vue->setObjectName(name);
    vue->setRenderHint(QPainter::Antialiasing);
    vue->setMinimumHeight(220);
    return vue;
}

// One header of a table of figures, over colonnes columns.
struct Intitule {
    int ligne;
    int colonne;
    const char* texte;
    int colonnes = 1;
};

// One caption of a table of figures, in its first column; the hint explains the row.
struct Legende {
    int ligne;
    const char* texte;
    const char* aide = nullptr;
};

// One figure of a table, named as the field that keeps it.
struct Chiffre {
    QLabel** champ;
    const char* nom;
    int ligne;
    int colonne;
};

// Fills a table of figures on the grid of its frame: the headers first, then the captions,
// then the figures, each created in its cell.
void PlaceFigures(QGridLayout* grille, std::initializer_list<Intitule> entetes,
                  std::initializer_list<Legende> legendes,
                  std::initializer_list<Chiffre> chiffres) {
    QWidget* cadre = grille->parentWidget();
    for (const Intitule& e : entetes)
        grille->addWidget(Entete(cadre, e.texte), e.ligne, e.colonne, 1, e.colonnes);
    for (const Legende& l : legendes)
        grille->addWidget(Etiquette(cadre, l.texte, l.aide), l.ligne, 0);
    for (const Chiffre& c : chiffres) {
        *c.champ = Valeur(cadre, c.nom);
        grille->addWidget(*c.champ, c.ligne, c.colonne);
    }
}

// The current and settlement positions: cash, securities and their total.
QFrame* PositionsTable(QWidget* page, SummaryPages::Champs& v) {
    QFrame* positions = Cadre(page);
    PlaceFigures(new QGridLayout(positions),
                 {{0, 1, "Position courante", 2},
                  {0, 3, "Position en liquidation", 2},
                  {1, 1, "Montant"},
                  {1, 2, "Pourcentage"},
                  {1, 3, "Montant"},
                  {1, 4, "Pourcentage"}},
                 {{2, "Solde Cash", "Solde cash de la liquidation précédente"},
                  {3, "Evaluation des titres", "Valorisation nette des titres (Brut - Frais)"},
                  {4, "Evaluation totale"}},
                 {{&v.VCashPo, "VCashPo", 2, 1},
                  {&v.VCashPoP, "VCashPoP", 2, 2},
                  {&v.VCashPoL, "VCashPoL", 2, 3},
                  {&v.VCashPoPL, "VCashPoPL", 2, 4},
                  {&v.VEvalTi, "VEvalTi", 3, 1},
                  {&v.VEvalTiP, "VEvalTiP", 3, 2},
                  {&v.VEvalTiL, "VEvalTiL", 3, 3},
                  {&v.VEvalTiPL, "VEvalTiPL", 3, 4},
                  {&v.VEvalGlo, "VEvalGlo", 4, 1},
                  {&v.VEvalGloL, "VEvalGloL", 4, 3}});
    return positions;
}

// The deferred-settlement trades: purchases, sales and their balance.
QFrame* ReglementMensuelTable(QWidget* page, SummaryPages::Champs& v) {
    QFrame* rm = Cadre(page);
    PlaceFigures(
        new QGridLayout(rm),
        {{0, 0, "Opérations au R.M"}, {0, 1, "Montant Brut"}, {0, 2, "Montant Net"}},
        {{1, "Montant des achats"}, {2, "Montant des ventes"}, {3, "Solde en liquidation"}},
        {{&v.VAchRMB, "VAchRMB", 1, 1},
         {&v.VAchRMN, "VAchRMN", 1, 2},
         {&v.VVeRMB, "VVeRMB", 2, 1},
         {&v.VVeRMN, "VVeRMN", 2, 2},
         {&v.VSoLiqB, "VSoLiqB", 3, 1},
         {&v.VSoLiqN, "VSoLiqN", 3, 2}});
    return rm;
}

// The cover of the deferred-settlement trades.
QFrame* CouvertureTable(QWidget* page, SummaryPages::Champs& v) {
    QFrame* couv = Cadre(page);
    PlaceFigures(
        new QGridLayout(couv), {{0, 0, "Couverture au R.M"}, {0, 1, "Montant"}},
        {{1, "Couverture totale"}, {2, "Couverture engagée"}, {3, "Couverture disponible"}},
        {{&v.VCouvT, "VCouvT", 1, 1}, {&v.VCouvE, "VCouvE", 2, 1}, {&v.VCouvD, "VCouvD", 3, 1}});
    return couv;
}

// The costs, valuations and gains of all the securities.
QFrame* CoutsTable(QWidget* page, SummaryPages::Champs& v) {
    QFrame* gauche = Cadre(page);
    PlaceFigures(new QGridLayout(gauche), {{0, 1, "Brut."}, {0, 2, "Net."}, {0, 3, "S.R.D"}},
                 {{1, "Coût"}, {2, "Valorisation"}, {3, "+Value Lat."}, {4, "+Value Réal."}},
                 {{&v.GCoB, "GCoB", 1, 1},
                  {&v.GCoN, "GCoN", 1, 2},
                  {&v.GReaB, "GReaB", 2, 1},
                  {&v.GReaN, "GReaN", 2, 2},
                  {&v.GPvLB, "GPvLB", 3, 1},
                  {&v.GPvLN, "GPvLN", 3, 2},
                  {&v.GPvLNSRD, "GPvLNSRD", 3, 3},
                  {&v.GPvB, "GPvB", 4, 1},
                  {&v.GPvN, "GPvN", 4, 2}});
    return gauche;
}

// The yield of the securities and the fees paid since the profitability date, whose picker
// heads the table.
QFrame* RentabiliteTable(QWidget* page, SummaryPages::Champs& v, QDateEdit* depuis) {
    QFrame* droite = Cadre(page);
    auto* d = new QGridLayout(droite);
    d->addWidget(Etiquette(droite, "Depuis le"), 0, 0);
    d->addWidget(depuis, 0, 1);
    PlaceFigures(d, {{1, 1, "Brut."}, {1, 2, "Net."}},
                 {{2, "Rentabilité Titres"}, {3, "Montant des frais"}},
                 {{&v.VRentTiB, "VRentTiB", 2, 1},
                  {&v.VRentTiN, "VRentTiN", 2, 2},
                  {&v.VTotFrPer, "VTotFrPer", 3, 2}});
    d->setRowStretch(4, 1);
    return droite;
}

} // namespace

SummaryPages::SummaryPages(PageHost& host, QTabWidget* pgPort, QTabWidget* pgTitre)
    : QObject(pgPort), FHost(host) {
    CreatePortfolioSummary(pgPort);
    CreatePortfolioPie(pgPort);
    CreateSecuritiesSummary(pgTitre);
    CreateRepartList(pgTitre);
    CreateRepartHandlers();
    // The pickers report a date once it is entered, not at every keystroke.
    for (QDateEdit* picker : {DateLP, DateLC, DateRent})
        picker->setKeyboardTracking(false);
    connect(DateLP, &QDateEdit::dateChanged, this, [this] { FHost.Guard([&] { DateLPExit(); }); });
    connect(DateLC, &QDateEdit::dateChanged, this, [this] { FHost.Guard([&] { DateLCExit(); }); });
    connect(DateRent, &QDateEdit::dateChanged, this,
            [this] { FHost.Guard([&] { DateRentChange(); }); });
}

void SummaryPages::SetColRep(const std::array<std::uint8_t, kColRepSize>& ids) {
    FColRep = ids;
}

void SummaryPages::SetDateRent(double date) {
    DateRent->setDate(ToQDate(date));
}

double SummaryPages::DateRentabilite() const {
    return FromQDate(DateRent->date());
}

void SummaryPages::ShowDatesLiquidation(double dateLiqP, double dateLiqC) {
    DateLC->setDate(ToQDate(dateLiqC));
    DateLP->setDate(ToQDate(dateLiqP));
}

// The settlement dates above three tables.
void SummaryPages::CreatePortfolioSummary(QTabWidget* pgPort) {
    Champs& v = FChamps;
    QWidget* page = pgPort->widget(0);
    DateLP = MakeDatePicker(page, "DateLP");
    DateLC = MakeDatePicker(page, "DateLC");
    auto* colonne = new QVBoxLayout(page);
    auto* dates = new QHBoxLayout;
    dates->addWidget(Etiquette(page, "Date de liquidation courante"));
    dates->addWidget(DateLP);
    dates->addSpacing(20);
    dates->addWidget(Etiquette(page, "Date de liquidation suivante"));
    dates->addWidget(DateLC);
    dates->addStretch(1);
    colonne->addLayout(dates);

    colonne->addWidget(PositionsTable(page, v));
    auto* bas = new QHBoxLayout;
    bas->addWidget(ReglementMensuelTable(page, v));
    bas->addWidget(CouvertureTable(page, v));
    colonne->addLayout(bas);
    colonne->addStretch(1);
}

// The cash and securities pie, current or in settlement.
void SummaryPages::CreatePortfolioPie(QTabWidget* pgPort) {
    Champs& v = FChamps;
    QWidget* page = pgPort->widget(1);
    auto* colonne = new QVBoxLayout(page);
    v.Chart3 = Camembert(page, "Chart3");
    v.Chart3->setProperty("Tag", 0);
    colonne->addWidget(v.Chart3, 1);
    auto* boutons = new QHBoxLayout;
    v.PortCur = Bouton(page, "PortCur", "Courant", nullptr, false);
    v.PortLiq = Bouton(page, "PortLiq", "Liquidation", nullptr, true);
    boutons->addStretch(1);
    boutons->addWidget(v.PortCur);
    boutons->addWidget(v.PortLiq);
    boutons->addStretch(1);
    colonne->addLayout(boutons);
    for (QToolButton* bouton : {v.PortCur, v.PortLiq})
        connect(bouton, &QToolButton::clicked, this,
                [this, bouton] { FHost.Guard([&] { PortCurClick(bouton); }); });
}

// Two tables above the repartition pie and the buttons that choose what it shares out.
void SummaryPages::CreateSecuritiesSummary(QTabWidget* pgTitre) {
    Champs& v = FChamps;
    QWidget* page = pgTitre->widget(1);
    DateRent = MakeDatePicker(page, "DateRent");
    auto* colonne = new QVBoxLayout(page);
    auto* haut = new QHBoxLayout;
    haut->addWidget(CoutsTable(page, v));
    haut->addWidget(RentabiliteTable(page, v, DateRent));
    haut->addStretch(1);
    colonne->addLayout(haut);

    v.Chart2 = Camembert(page, "Chart2");
    colonne->addWidget(v.Chart2, 1);
    auto* boutons = new QHBoxLayout;
    v.BtCout = Bouton(page, "BtCout", "Coût", "Affiche la répartition par coût d'achat", false);
    v.BtVal = Bouton(page, "BtVal", "Valeur", "Affiche la répartition par valorisation", true);
    v.BtBourse = Bouton(page, "BtBourse", "Bourse", "Affiche la répartition par bourse", false);
    v.BtActivite = Bouton(page, "BtActivite", "Activité",
                          "Affiche la répartition par secteur d'activité", false);
    boutons->addStretch(1);
    boutons->addWidget(v.BtVal);
    boutons->addWidget(v.BtCout);
    boutons->addSpacing(30);
    boutons->addWidget(v.BtBourse);
    boutons->addWidget(v.BtActivite);
    boutons->addStretch(1);
    colonne->addLayout(boutons);
    for (QToolButton* bouton : {v.BtVal, v.BtCout})
        connect(bouton, &QToolButton::clicked, this,
                [this, bouton] { FHost.Guard([&] { BtNbrClick(bouton); }); });
    for (QToolButton* bouton : {v.BtBourse, v.BtActivite})
        connect(bouton, &QToolButton::clicked, this,
                [this, bouton] { FHost.Guard([&] { BtBourseClick(bouton); }); });
}

void SummaryPages::CreateRepartList(QTabWidget* pgTitre) {
    Champs& v = FChamps;
    QWidget* page = pgTitre->widget(2);
    auto* colonne = new QVBoxLayout(page);
    v.ListRepart = page::Liste(page, "ListRepart", {"Valeur"});
    colonne->addWidget(v.ListRepart, 1);
    v.OnlyHold = new QCheckBox(QString("Montrer uniquement les titres détenus"), page);
    v.OnlyHold->setObjectName("OnlyHold");
    colonne->addWidget(v.OnlyHold);
    connect(v.OnlyHold, &QCheckBox::clicked, this,
            [this] { FHost.Guard([&] { OnlyHoldClick(); }); });
}

void SummaryPages::ShowPortefeuille() {
    const TCorv* document = FHost.Portefeuille();
    if (document == nullptr)
        return;
    const TCorv& doc = *document;
    const float facteur = doc.Facteur;
    const FiguresSynthese f = CalculeSynthese(doc);
    const auto montant = [facteur](QLabel* label, std::int64_t cents) {
        label->setText(Texte(MontantText(cents, facteur)));
    };
    const auto pourcent = [](QLabel* label, double valeur) {
        label->setText(Texte(PourcentText(valeur)));
    };
    Champs& v = FChamps;
    montant(v.VCashPo, f.CashPo);
    montant(v.VEvalTi, f.EvalTi);
    montant(v.VEvalGlo, f.EvalGlo);
    pourcent(v.VCashPoP, f.CashPoP);
    pourcent(v.VEvalTiP, f.EvalTiP);
    montant(v.VCashPoL, f.CashPoL);
    montant(v.VEvalTiL, f.EvalTiL);
    montant(v.VEvalGloL, f.EvalGloL);
    pourcent(v.VCashPoPL, f.CashPoPL);
    pourcent(v.VEvalTiPL, f.EvalTiPL);
    montant(v.VAchRMB, f.AchRMB);
    montant(v.VVeRMB, f.VeRMB);
    montant(v.VSoLiqB, f.SoLiqB);
    montant(v.VAchRMN, f.AchRMN);
    montant(v.VVeRMN, f.VeRMN);
    montant(v.VSoLiqN, f.SoLiqN);
    montant(v.VCouvT, f.CouvT);
    montant(v.VCouvE, f.CouvE);
    montant(v.VCouvD, f.CouvD);

    const bool courant = v.Chart3->property("Tag").toInt() == 1;
    const QString titre = QString("Répartition cash/titre ") +
                          (courant ? QString("courante") : QString("en liquidation"));
    DessineCamembert(v.Chart3, titre,
                     courant ? PartsCashTitres(doc.Cash, doc.ValorNetAct)
                             : PartsCashTitres(doc.CashLiq, doc.ValorNet));
}

void SummaryPages::PortCurClick(QWidget* bouton) {
    auto* clique = qobject_cast<QToolButton*>(bouton);
    if (clique == nullptr)
        return;
    if (!clique->isChecked()) {
        // A click on the button that is down leaves it down.
        clique->setChecked(true);
        return;
    }
    QToolButton* autre = clique == FChamps.PortCur ? FChamps.PortLiq : FChamps.PortCur;
    autre->setChecked(false);
    FChamps.Chart3->setProperty("Tag", clique == FChamps.PortCur ? 1 : 0);
    ShowPortefeuille();
}

namespace {

// A settlement date taken from its picker: stored as a whole day and read back, so that the
// document keeps what the settings hold. The pickers also change when the program shows a
// document's dates: only a date that differs from the document's is the user's, and false
// tells the caller that nothing changed.
bool DateLiquidationChoisie(platform::SettingsStore& registre, const QDateEdit* picker,
                            const char* nom, double& dateLiq) {
    const double jour = FromQDate(picker->date());
    if (jour == std::trunc(dateLiq))
        return false;
    dateLiq = jour;
    OpenedKey key(registre);
    registre.WriteDate(nom, std::trunc(dateLiq));
    dateLiq = registre.ReadDate(nom);
    key.Close();
    return true;
}

} // namespace

void SummaryPages::DateLPExit() {
    if (TCorv* doc = FHost.Portefeuille();
        doc != nullptr &&
        DateLiquidationChoisie(FHost.Settings(), DateLP, "DATELIQP", doc->DateLiqP))
        FHost.RefreshViews(nullptr);
}

void SummaryPages::DateLCExit() {
    if (TCorv* doc = FHost.Portefeuille();
        doc != nullptr &&
        DateLiquidationChoisie(FHost.Settings(), DateLC, "DATELIQC", doc->DateLiqC))
        FHost.RefreshViews(nullptr);
}

void SummaryPages::DateRentChange() {
    // At start the picker gets its date before there is a document.
    TCorv* doc = FHost.Portefeuille();
    if (doc == nullptr)
        return;
    doc->DateRent = FromQDate(DateRent->date());
    platform::SettingsStore& registre = FHost.Settings();
    OpenedKey key(registre);
    registre.WriteDate("DATERENT", std::trunc(doc->DateRent));
    key.Close();
    FHost.RefreshViews(nullptr);
}
void SummaryPages::CreateRepartHandlers() {
    QTreeWidget* list = FChamps.ListRepart;
    list->setProperty("Tag", 1);
    connect(list->header(), &QHeaderView::sectionClicked, this, [this, list](int colonne) {
        FHost.Guard([&] {
            CliqueColonne(list, colonne);
            SortRepart();
        });
    });
    SuitSourisLignes(list, [this, list](QMouseEvent* e) {
        if (e->type() == QEvent::MouseMove)
            FHost.ShowReadOut(TitreSurvole(list, e->position().toPoint()));
        else if (e->button() == Qt::RightButton)
            FHost.Guard([&] { ListRepartMouseDown(); });
    });
}

void SummaryPages::SortRepart() {
    const int tag = FChamps.ListRepart->property("Tag").toInt();
    const std::vector<int> ids = ColonnesAffichees(FColRep);
    TrieLignes(FChamps.ListRepart, [tag, &ids](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
        const auto* ra = Record<Valeurs>(a);
        const auto* rb = Record<Valeurs>(b);
        // Rows whose record is missing compare equal.
        return ra != nullptr && rb != nullptr ? CompareRepartBy(*ra, *rb, tag, ids) : 0;
    });
}

void SummaryPages::ShowRepartition() {
    TCorv* document = FHost.Portefeuille();
    if (document == nullptr)
        return;
    TCorv& doc = *document;
    Champs& v = FChamps;
    const QString debut = QString("Répartition du portefeuille par ");
    if (FRepartBase != kBaseValorisation && FRepartBase != kBaseCout) {
        DessineCamembert(v.Chart2, QString(), {});
        return;
    }
    const QString titre = debut + (FRepartBase == kBaseValorisation ? QString("Valorisation")
                                                                    : QString("Coût d'achat"));

    // The document keeps this order: the tree, the refresh walk and the saved file follow it.
    SortTitresRepart(doc.Titres, FRepartGroup);
    if (QPieSeries* serie = DessineCamembert(
            v.Chart2, titre, PartsRepartition(doc.Titres, FRepartGroup, FRepartBase)))
        connect(serie, &QPieSeries::hovered, this, [this](QPieSlice* tranche, bool dessus) {
            Chart2MouseMove(dessus && tranche != nullptr ? tranche->label() : QString());
        });

    const float facteur = doc.Facteur;
    const auto montant = [facteur](QLabel* label, std::int32_t cents) {
        label->setText(Texte(MontantText(cents, facteur)));
    };
    montant(v.GCoB, doc.CoutBrut);
    montant(v.GCoN, doc.CoutNet);
    montant(v.GReaN, doc.ValorNet);
    montant(v.GReaB, doc.ValorBrut);
    const auto signe = [facteur](QLabel* label, std::int32_t cents) {
        AfficheSigne(label, Texte(MontantText(cents, facteur)), cents < 0);
    };
    signe(v.GPvB, doc.PlValBrut);
    signe(v.GPvN, doc.PlValNet);
    signe(v.GPvLB, doc.PlValLatBrut);
    signe(v.GPvLN, doc.PlValLatNet);
    signe(v.GPvLNSRD, doc.PlValLatNetSRD);

    // Yields are kept × 10000: shown as percentages, never scaled by the display factor.
    doc.ComputeRentabilites(FromQDate(DateRent->date()));
    v.VRentTiB->setText(Texte(PourcentText(static_cast<double>(doc.RentBrut) * 0.01)));
    v.VRentTiN->setText(Texte(PourcentText(static_cast<double>(doc.RentNet) * 0.01)));
    montant(v.VTotFrPer, doc.TotFraisPer);
}

void SummaryPages::BtNbrClick(QWidget* bouton) {
    auto* clique = qobject_cast<QToolButton*>(bouton);
    if (clique == nullptr)
        return;
    if (clique->isChecked()) {
        FRepartBase = clique == FChamps.BtVal ? kBaseValorisation : kBaseCout;
        (clique == FChamps.BtVal ? FChamps.BtCout : FChamps.BtVal)->setChecked(false);
    } else {
        // One of the two is always down.
        clique->setChecked(true);
    }
    ShowRepartition();
}

void SummaryPages::BtBourseClick(QWidget* bouton) {
    auto* clique = qobject_cast<QToolButton*>(bouton);
    if (clique == nullptr)
        return;
    const bool bourse = clique == FChamps.BtBourse;
    if (clique->isChecked()) {
        FRepartGroup = bourse ? kRepartBourse : kRepartActivite;
        (bourse ? FChamps.BtActivite : FChamps.BtBourse)->setChecked(false);
    } else {
        FRepartGroup &= static_cast<std::uint8_t>(~(bourse ? kRepartBourse : kRepartActivite));
    }
    ShowRepartition();
}

void SummaryPages::Chart2MouseMove(const QString& libelle) {
    FHost.ShowReadOut(QString());
    const TCorv* doc = FHost.Portefeuille();
    if (libelle.isEmpty() || doc == nullptr)
        return;
    const QString code = libelle.section(' ', 0, 0);
    const Valeurs* titre = doc->FindTitre(code.toStdString());
    if (titre == nullptr)
        return;
    const std::int32_t valeur =
        FRepartBase == kBaseCout ? titre->Bilan.CoutBrut : titre->Bilan.ValorBrut;
    FHost.ShowReadOut(Texte(titre->Libelle + " " + MontantText(valeur, doc->Facteur)));
}

void SummaryPages::BuildRepartColumns() {
    QTreeWidget* list = FChamps.ListRepart;
    list->clear();
    QStringList libelles{"Valeur"};
    for (const int id : ColonnesAffichees(FColRep))
        libelles << QString::fromUtf8(ColonneRepById(id)->Libelle);
    list->setColumnCount(static_cast<int>(libelles.size()));
    list->setHeaderLabels(libelles);
    QTreeWidgetItem* entetes = list->headerItem();
    for (int c = 0; c < list->columnCount(); ++c)
        entetes->setIcon(c, QIcon());
    entetes->setIcon(0, Imagemini(kImageCroissant));
    list->setColumnWidth(0, 70);
    for (int c = 1; c < list->columnCount(); ++c)
        list->setColumnWidth(c, list->header()->sectionSizeHint(c));
    FRepartAFitter = true;
}

void SummaryPages::FillRepart() {
    QTreeWidget* list = FChamps.ListRepart;
    const EtatListe etat = MemoriseListe(list);
    list->setUpdatesEnabled(false);
    list->clear();
    list->setProperty("Tag", 1);
    if (const TCorv* doc = FHost.Portefeuille()) {
        const std::vector<int> ids = ColonnesAffichees(FColRep);
        const bool detenus = FChamps.OnlyHold->isChecked();
        const float facteur = doc->Facteur;
        for (const std::unique_ptr<Valeurs>& titre : doc->Titres) {
            if (detenus && titre->Bilan.NbInPort == 0)
                continue;
            QStringList cellules{Texte(titre->Code)};
            for (const int id : ids)
                cellules << Texte(ColonneRepText(*ColonneRepById(id), *titre, facteur));
            auto* ligne = new QTreeWidgetItem(list, cellules);
            SetRecord(ligne, titre.get());
            for (std::size_t k = 0; k < ids.size(); ++k) {
                const int c = static_cast<int>(k) + 1;
                ligne->setTextAlignment(c, Qt::AlignCenter);
                const bool rouge = ColonneRepById(ids[k])->RougeSiNegatif() &&
                                   !CommenceParChiffre(ligne->text(c).toStdString());
                ligne->setForeground(c, rouge ? kRouge : QColor(Qt::black));
            }
        }
        if (FRepartAFitter && list->topLevelItemCount() > 0) {
            for (int c = 1; c < list->columnCount(); ++c)
                list->resizeColumnToContents(c);
            FRepartAFitter = false;
        }
    }
    RestaureListe(list, etat);
    list->setUpdatesEnabled(true);
}

void SummaryPages::OnlyHoldClick() {
    FillRepart();
}

void SummaryPages::ListRepartMouseDown() {
    std::array<std::uint8_t, kColRepSize> ids = FColRep;
    if (RunColumnChooser(ids))
        ColRepChanged(ids);
}

bool SummaryPages::RunColumnChooser(std::array<std::uint8_t, kColRepSize>& ids) {
    TFColRep dialog(FChamps.ListRepart->window(), &ids, 0);
    dialog.FillLists();
    return FHost.Prompts().RunDialog(dialog);
}

void SummaryPages::ColRepChanged(const std::array<std::uint8_t, kColRepSize>& ids) {
    FColRep = ids;
    BuildRepartColumns();
    FillRepart();
    const QMessageBox::StandardButton reponse = FHost.Prompts().Message(
        FChamps.ListRepart->window(), QString(), "Souhaitez vous enregistrer cette configuration?",
        QMessageBox::Question, QMessageBox::Yes | QMessageBox::No);
    if (reponse != QMessageBox::Yes)
        return;
    platform::SettingsStore& registre = FHost.Settings();
    OpenedKey key(registre);
    registre.WriteBinary("COLREP2", std::vector<std::uint8_t>(FColRep.begin(), FColRep.end()));
    key.Close();
}
