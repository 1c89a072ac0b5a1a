#include "window/Main.h"

#include "widgets/QtDates.h"
#include "window/ProgramSettings.h"
#include "window/QuoteRefresh.h"
#include "window/SecurityPage.h"
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
    // Made now and read in stage 2: the quote refresh built with the widgets reads it.
    FRegistry = std::make_unique<SettingsKeeper>();

    CreateWidgets();
    CreateActions();
    CreateMenus();
    CreateToolBars();
    CreatePopups();
    CreateStatusLine();
    CreateViews();
    CreateRefresh();
    ConnectEditingCommands();

    // Stage 1: what the form does as soon as it exists.
    FormCreate();

    // Stage 2: formats, settings and the first document.
    platform::FormatSettings& formats = platform::FormatSettings::Current();
    formats.DecimalSeparator = ',';
    formats.ThousandSeparator = "\u00A0";

    FTitrePage->SetFinHisto(platform::Date());

    if (!FRegistry->Read(platform::Date()))
        throw StartupError("Corvane n'est pas installé pour cet utilisateur : la clé de "
                           "configuration « SoftWare\\Corvane » (fichier " +
                           platform::SettingsStore::StorePath() +
                           ") n'existe pas.\nLancez scripts/setup-user.sh pour la créer.");
    ReadSettings();
    BuildRepartColumns();
    ProgramSettings& reglages = FRegistry->Values();

    // The document named on the command line wins over the last one used.
    const std::string premier =
        FArguments.size() > 2 ? FArguments.at(1).toStdString() : reglages.Current;
    bool ouvert = false;
    if (!premier.empty())
        ouvert = OpenPortefeuille(premier);
    if (!ouvert)
        FPortefeuille = std::make_unique<TCorv>(FInstallDir);
    FPortefeuille->LoadSettings(reglages.Document);
    FSyntheses->ShowDatesLiquidation(FPortefeuille->DateLiqP, FPortefeuille->DateLiqC);

    FRefresh->FollowSettings();

    if (Commute->isChecked())
        SetEuroToggle();
    if (!ouvert)
        BuildTree();
    // Told once, in one message: the lines the read could not take (the save wrote the file
    // without them), and settings that cannot be written, which start-up goes on without.
    const bool enregistres = FRegistry->Save();
    std::string avis = FRegistry->ProblemsText();
    if (!enregistres) {
        FSettingsFailureTold = true;
        avis += (avis.empty() ? "" : "\n\n") + FRegistry->FailureText();
    }
    if (!avis.empty())
        FPrompts->Message(this, "Corvane", QString::fromStdString(avis), QMessageBox::Warning,
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

    FTitrePage = new SecurityPage(*this, PageCtl1);
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
