#include "window/Main.h"

#include "widgets/QtDates.h"
#include "window/QuoteRefresh.h"
#include "window/Registry.h"
#include "window/SummaryPages.h"

#include "platform/ConversionError.h"
#include "platform/DateTime.h"
#include "platform/Numbers.h"
#include "portfolio/Cv.h"

#include <QAction>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateEdit>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QPrinter>
#include <QProgressBar>
#include <QScreen>
#include <QScrollArea>
#include <QSlider>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <cstdio>
#include <optional>

TMainForm* MainForm = nullptr;

namespace {

QSlider* MakeTrack(QWidget* parent, const char* name, int minimum, int position) {
    auto* track = new QSlider(Qt::Horizontal, parent);
    track->setObjectName(name);
    track->setRange(minimum, 50);
    track->setValue(position);
    track->setTickPosition(QSlider::TicksBelow);
    track->setTickInterval(5);
    return track;
}

// Only the page shown sets the least size of a set of pages, so that a narrow page does not
// scroll because a hidden one is wide.
template <typename Pages> void SizeFromShownPage(Pages* pages) {
    const auto suivre = [pages](int vue) {
        for (int i = 0; i < pages->count(); ++i) {
            const QSizePolicy::Policy regle =
                i == vue ? QSizePolicy::Preferred : QSizePolicy::Ignored;
            pages->widget(i)->setSizePolicy(regle, regle);
        }
    };
    QObject::connect(pages, &Pages::currentChanged, pages, suivre);
    suivre(pages->currentIndex());
}

QLabel* MakeCaption(QWidget* parent, const char* name, const QString& style) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setStyleSheet(style);
    label->setMinimumWidth(90);
    return label;
}

} // namespace

TMainForm::TMainForm(const QStringList& arguments, UiPrompts* prompts, QWidget* owner)
    : QMainWindow(owner), FArguments(arguments) {
    if (prompts == nullptr) {
        FOwnPrompts = std::make_unique<QtPrompts>();
        prompts = FOwnPrompts.get();
    }
    FPrompts = prompts;
    setObjectName("MainForm");
    setWindowTitle("Corvane");
    resize(779, 563);
    FPrinter = std::make_unique<QPrinter>();
    // Made now and opened in stage 2: the quote refresh built with the widgets reads it.
    FRegistry = std::make_unique<platform::SettingsStore>();

    CreateWidgets();
    CreateActions();
    CreateMenus();
    CreateToolBars();
    CreatePopups();
    CreateStatusLine();
    CreateViews();
    CreateCharts();
    CreateRefresh();
    ConnectEditingCommands();

    // Stage 1: what the form does as soon as it exists.
    FormCreate();

    // Stage 2: formats, settings and the first document.
    platform::FormatSettings& formats = platform::FormatSettings::Current();
    formats.DecimalSeparator = ',';
    formats.ThousandSeparator = "\u00A0";

    PDateFin->setDate(ToQDate(platform::Date()));

    if (!FRegistry->OpenKey(kCleProgramme, false))
        throw StartupError("Corvane n'est pas installé pour cet utilisateur : la clé de "
                           "configuration « SoftWare\\Corvane » (fichier " +
                           platform::SettingsStore::StorePath() +
                           ") n'existe pas.\nLancez scripts/setup-user.sh pour la créer.");
    ReadSettings();
    BuildRepartColumns();

    // The document named on the command line wins over the last one used.
    const std::string premier = FArguments.size() > 2 ? FArguments.at(1).toStdString()
                                                      : ReadStringOrEmpty(*FRegistry, "CURRENT");
    bool ouvert = false;
    if (!premier.empty())
        ouvert = OpenPortefeuille(premier);
    if (!ouvert)
        FPortefeuille = std::make_unique<TCorv>(FInstallDir);
    FPortefeuille->LoadSettings(*FRegistry);
    FSyntheses->ShowDatesLiquidation(FPortefeuille->DateLiqP, FPortefeuille->DateLiqC);

    FRefresh->FollowSettings();

    if (Commute->isChecked())
        SetEuroToggle();
    if (!ouvert)
        BuildTree();
    CloseOrThrow(*FRegistry);
    // Told once: the close above wrote the file without the lines it could not read.
    if (const std::string probleme = SettingsProblemsText(*FRegistry); !probleme.empty())
        FPrompts->Message(this, "Corvane", QString::fromStdString(probleme), QMessageBox::Warning,
                          QMessageBox::Ok);

    if (const QScreen* ecran = QGuiApplication::primaryScreen()) {
        QRect cadre = frameGeometry();
        cadre.moveCenter(ecran->availableGeometry().center());
        move(cadre.topLeft());
    }
}

TMainForm::~TMainForm() {
    FormDestroy();
    if (MainForm == this)
        MainForm = nullptr;
}

void TMainForm::FormCreate() {
    Check3d->setChecked(false);
    Chart1->setCursor(Qt::CrossCursor);
    setAcceptDrops(true);
}

void TMainForm::CreateWidgets() {
    Splitter = new QSplitter(Qt::Horizontal, this);
    Splitter->setObjectName("Splitter");
    Splitter->setChildrenCollapsible(false);

    PartGauche = new QWidget(Splitter);
    PartGauche->setObjectName("PartGauche");
    PartGauche->setMinimumWidth(144);
    auto* gauche = new QVBoxLayout(PartGauche);
    gauche->setContentsMargins(2, 2, 2, 2);
    LibMon = new QLabel(PartGauche);
    LibMon->setObjectName("LibMon");
    LibMon->setAlignment(Qt::AlignCenter);
    LibMon->setStyleSheet("font-weight: bold;");
    LT1 = new QTreeWidget(PartGauche);
    LT1->setObjectName("LT1");
    LT1->setHeaderHidden(true);
    LT1->setIndentation(15);
    LT1->setContextMenuPolicy(Qt::CustomContextMenu);
    LT1->setStyleSheet("QTreeWidget { background: #FFFFAF; }");
    gauche->addWidget(LibMon);
    gauche->addWidget(LT1, 1);

    // The pages scroll when the window is narrower than their content, so that neither the
    // window's size nor the tree's width is held by the widest page.
    auto* defilement = new QScrollArea(Splitter);
    defilement->setObjectName("PagesDefilement");
    defilement->setWidgetResizable(true);
    defilement->setFrameShape(QFrame::NoFrame);
    defilement->setMinimumWidth(160);
    Pages = new QStackedWidget(defilement);
    Pages->setObjectName("Pages");
    CreatePages();
    defilement->setWidget(Pages);
    for (QTabWidget* onglets : {PgPort, PgCash, PgTitre, PageCtl1})
        SizeFromShownPage(onglets);
    SizeFromShownPage(Pages);

    Splitter->addWidget(PartGauche);
    Splitter->addWidget(defilement);
    Splitter->setStretchFactor(1, 1);
    Splitter->setSizes({144, 779 - 144});
    setCentralWidget(Splitter);

    connect(Track1, &QSlider::valueChanged, this, [this] { Track1Change(Track1); });
    connect(Track2, &QSlider::valueChanged, this, [this] { Track1Change(Track2); });
    connect(Track3, &QSlider::valueChanged, this, [this] { Track1Change(Track3); });
    connect(TrackVar, &QSlider::valueChanged, this, [this] { Track1Change(TrackVar); });
    // Until a bar first moves, its caption is the one the form was designed with.
    TxtTr1->setText(QString("Moy. à 10jr(s)"));
    TxtTr2->setText(QString("Moy. à 20jr(s)"));
    TxtTr3->setText(QString("RSI. à 7jr(s)"));
    TxtVar->setText(QString("Variation à  7jr(s)"));
}

// The four page controls share the right side; the tree's selection shows one of them. Their
// lists, summaries and charts are filled by the views.
void TMainForm::CreatePages() {
    const auto tabs = [this](const char* name, std::initializer_list<const char*> captions) {
        auto* pages = new QTabWidget(Pages);
        pages->setObjectName(name);
        for (const char* caption : captions) {
            auto* page = new QWidget(pages);
            page->setObjectName(QString(name) + "_" + QString::number(pages->count()));
            pages->addTab(page, QString::fromUtf8(caption));
        }
        Pages->addWidget(pages);
        return pages;
    };
    PgPort = tabs("PgPort", {"Synthèse", "Graphique"});
    PgCash = tabs("PgCash", {"Cash"});
    PgTitre = tabs("PgTitre", {"Cours", "Synthèse des titres", "Détails de la répartition"});
    PageCtl1 = tabs("PageCtl1", {"Synthèse Valeur", "Opérés", "Graphiques"});

    // Security synthesis: the variation period.
    {
        QWidget* page = PageCtl1->widget(0);
        auto* grid = new QGridLayout(page);
        TrackVar = MakeTrack(page, "TrackVar", 0, 7);
        TxtVar = MakeCaption(page, "TxtVar", "color: yellow; background: blue;");
        grid->addWidget(TxtVar, 0, 0);
        grid->addWidget(TrackVar, 0, 1);
        grid->setRowStretch(1, 1);
    }
    // History chart: range, averaging periods, RSI.
    {
        QWidget* page = PageCtl1->widget(2);
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
    Pages->setCurrentWidget(PgPort);
}

void TMainForm::CreateStatusLine() {
    QStatusBar* line = statusBar();
    line->setObjectName("StatusLine");
    StatusPanel0 = new QLabel(line);
    StatusPanel0->setObjectName("StatusPanel0");
    // At least 400 pixels; a longer hint, such as a refusal naming a long command, widens it
    // while the window has room, so that it is read whole.
    StatusPanel0->setMinimumWidth(400);
    StatusPanel1 = new QProgressBar(line);
    StatusPanel1->setObjectName("StatusPanel1");
    StatusPanel1->setFixedWidth(100);
    StatusPanel1->setRange(0, 100);
    StatusPanel1->setTextVisible(false);
    StatusPanel2 = new QLabel(line);
    StatusPanel2->setObjectName("StatusPanel2");
    StatusPanel2->setMinimumWidth(50);
    line->addWidget(StatusPanel0);
    line->addWidget(StatusPanel1);
    line->addWidget(StatusPanel2, 1);
}

void TMainForm::Track1Change(QSlider* sender) {
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

void TMainForm::closeEvent(QCloseEvent* event) {
    if (RefuseCloseWhileRefreshing(event)) // Quote refresh
        return;
    bool fermer = false;
    Guard([&] { fermer = ConfirmSave(); });
    if (fermer) {
        FPortefeuille.reset();
        event->accept();
    } else {
        event->ignore();
    }
}

void TMainForm::showEvent(QShowEvent* event) {
    FLaidOut = true;
    QMainWindow::showEvent(event);
}

bool TMainForm::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        ShowHint(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void TMainForm::ShowHint(const QString& hint) {
    FHint = hint;
    StatusPanel0->setText(hint);
}

QString TMainForm::CurrentHint() const {
    return StatusPanel0->text();
}

namespace {

// The items of a drop when every one is a file address (file:), wherever the file lies; a web
// address is no portfolio and is refused while the user still drags it.
std::optional<QList<QUrl>> DroppedFileUrls(const QMimeData& data) {
    if (!data.hasUrls())
        return std::nullopt;
    const QList<QUrl> urls = data.urls();
    for (const QUrl& url : urls)
        if (!url.isLocalFile())
            return std::nullopt;
    return urls;
}

// The path of a file of this machine: a file address without a host, or with "localhost".
// Any other host names a file elsewhere, which opening here would turn into an empty
// document named after it.
std::optional<QString> LocalPath(const QUrl& url) {
    const QString hote = url.host();
    if (!hote.isEmpty() && hote.compare(QString("localhost"), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    const QString chemin = url.path(QUrl::FullyDecoded);
    if (chemin.isEmpty())
        return std::nullopt;
    return chemin;
}

} // namespace

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
    // Refused at once, so that the pointer tells the user before they let go.
    if (DroppedFileUrls(*event->mimeData()) && !RefuseWhileRefreshing(QString("Dépôt")))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TMainForm::dropEvent(QDropEvent* event) {
    const std::optional<QList<QUrl>> urls = DroppedFileUrls(*event->mimeData());
    if (!urls || RefuseWhileRefreshing(QString("Dépôt"))) {
        event->ignore();
        return;
    }
    QStringList chemins;
    for (const QUrl& url : *urls) {
        const std::optional<QString> chemin = LocalPath(url);
        if (!chemin) {
            event->ignore();
            FPrompts->Message(this, "Corvane",
                              QString("« %1 » n'est pas un fichier de cet ordinateur : "
                                      "seuls les fichiers locaux peuvent être ouverts.")
                                  .arg(url.toDisplayString()),
                              QMessageBox::Warning, QMessageBox::Ok);
            return;
        }
        chemins << *chemin;
    }
    event->acceptProposedAction();
    Guard([&] { DropFiles(chemins); });
}

void TMainForm::Guard(const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& error) {
        ShowError(QString::fromStdString(error.what()));
    } catch (...) {
        ShowError(QString("Erreur inattendue."));
    }
}

void TMainForm::ShowError(const QString& text) {
    FPrompts->Message(this, "Corvane", text, QMessageBox::Critical, QMessageBox::Ok);
}

QAction* TMainForm::Action(const QString& name) const {
    return findChild<QAction*>(name);
}
