#pragma once

// The main window: the one open portfolio, its commands, its views and the program settings.
// TMainForm's code is split by concern, in this folder:
//   Main.cpp             construction in two stages, pages, status line, closing, hints, drops
//   MainActions.cpp      the actions, menus, tool bars and pop-up menus
//   MainFile.cpp         the document commands (New, Open, Save, Save as, help, calculator...)
//   MainOptions.cpp      the options command and the write-back of its values
//   MainSettings.cpp     what the window takes from the settings (ProgramSettings.h) at
//                        start and gives back at the end
//   MainViews.cpp        the navigation tree and the views redrawn after every change
//   MainLists.cpp        the window's operations on the record lists (RecordLists.cpp: the
//                        lists of securities, trades and cash movements)
//   MainSummary.cpp      the window's operations on the summaries (SummaryPages.cpp: the
//                        portfolio summary, the securities summary and the repartition)
//   MainTitre.cpp        the window's operations on the security page (SecurityPage.cpp,
//                        SecurityHisto.cpp, SecurityIntraday.cpp: the synthesis, the
//                        intraday and history charts, their periods and the crosshair)
//   MainRefresh.cpp      the quote refresh's commands and what the window does around a walk
//                        (the walk, its HTTP client and timer: QuoteRefresh.cpp; its progress
//                        panel and alarm flash: RefreshPanel.cpp)
//   MainAlarms.cpp       the alarms of the selected security and the alarm log
//   MainEdit.cpp         the commands that delete, tick and select records
//   MainEditDialogs.cpp  the commands that add and change records through their dialogs
//   MainLaunch.cpp       the launchers: statement check, history editor, transfer, import,
//                        printed reports

#include "widgets/UiPrompts.h"
#include "window/PageHost.h"
#include "window/ProgramSettings.h"

#include <QMainWindow>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QAction;
class QChartView;
class QCheckBox;
class QDateEdit;
class QLabel;
class QMenu;
class QPrinter;
class QProgressBar;
class QSlider;
class QSplitter;
class QStackedWidget;
class QTabWidget;
class QTimer;
class QToolBar;
class QToolButton;
class QTreeWidget;

class ChartWidgets;
class QuoteRefresh;
class RecordLists;
class RefreshPanel;
class SecurityPage;
class SummaryPages;
struct QuoteRefreshReport;
struct QuoteRefreshSettings;

class QPainter;
class QRect;
class TCorv;
struct AskWeb;
struct Mvt;
struct Operes;
struct Valeurs;
enum class AskKind : std::int32_t;

// Raised while the window is built when the program cannot start at all (its settings key or
// its data directory is missing); the message is for the user.
class StartupError : public std::runtime_error {
public:
    explicit StartupError(const std::string& message) : std::runtime_error(message) {}
};

class TMainForm : public QMainWindow, public PageHost {
    Q_OBJECT

public:
    // arguments: the command line, program name first. prompts: where message boxes and
    // dialogs go (the desktop's own when null); not owned.
    explicit TMainForm(const QStringList& arguments, UiPrompts* prompts = nullptr,
                       QWidget* owner = nullptr);
    ~TMainForm() override;

    TCorv* Portefeuille() const override { return FPortefeuille.get(); }
    const std::string& InstallDir() const { return FInstallDir; }
    QTimer* RefreshTimer() const { return Timer1; }
    QPrinter* Printer() const { return FPrinter.get(); }
    UiPrompts& Prompts() const override { return *FPrompts; }
    SettingsKeeper& Settings() const override { return *FRegistry; }
    bool SaveSettings() override;

    // Document commands.
    bool ConfirmSave();
    bool OpenPortefeuille(const std::string& path);
    // True, once the user has been told, when the path names something that cannot be opened
    // as a portfolio: it exists but is no file this user can read.
    bool RefuseOpening(const std::string& path);
    void FileNew();
    void FileOpen();
    void FileSave();
    void FileSaveAs();
    void FileExit();
    void DropFiles(const QStringList& paths);
    void HelpContents();
    void CalculetteExecute();
    void HelpAbout();
    void FilePrintSetup();
    void DoParamExecute();

    // Views.
    void BuildTree();
    void RefreshViews(Valeurs* titre = nullptr) override;
    void ShowSecurity(Valeurs* titre) override;
    void BuildRepartColumns();

    // The application's current hint goes to the first panel of the status line.
    void ShowHint(const QString& hint);
    QString CurrentHint() const;
    // The third panel of the status line.
    void ShowReadOut(const QString& text) override;
    QString ReadOut() const override;

    // Runs a command so that no exception reaches the event loop: errors are shown.
    void Guard(const std::function<void()>& command) override;
    void ShowError(const QString& text);

    // The commands, found by their action name.
    QAction* Action(const QString& name) const;

protected:
    void closeEvent(QCloseEvent* event) override; // FormClose
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Construction.
    void FormCreate();
    void CreateWidgets();
    void CreatePages();
    void CreateStatusLine();
    void CreateActions();
    // The builders that CreateActions calls in turn, one menu's actions each.
    void CreateFileActions();
    void CreateSecurityActions();
    void CreateRefreshActions();
    void CreateTradeActions();
    void CreateCashActions();
    void CreatePortfolioActions();
    void CreateHelpActions();
    void CreateMenus();
    void CreateToolBars();
    void CreatePopups();
    void ReadSettings();
    void FormDestroy();

    // Document helpers.
    void SetEuroToggle();
    bool SaveTo(const std::string& path);
    // Asks whether to replace the file at path, found changed on disk since the document last
    // read or wrote it: false when the user keeps it (the default answer). Asked with no lock
    // held: the save checks the file again once it has the lock back.
    bool MayReplace(const std::string& path);
    // Tells the user that the portfolio could not be written at path, why, and what follows.
    void ReportSaveFailure(const std::string& path, const std::string& raison,
                           const QString& consequence);

    QAction* MakeAction(const char* name, const QString& caption, const QString& hint);
    // Runs the command, through Guard, each time the action is triggered.
    void Bind(QAction* action, void (TMainForm::*command)());

    // The document and its surroundings.
    std::unique_ptr<SettingsKeeper> FRegistry;
    bool FSettingsFailureTold = false;
    std::unique_ptr<TCorv> FPortefeuille;
    std::string FInstallDir;
    std::unique_ptr<QtPrompts> FOwnPrompts;
    UiPrompts* FPrompts = nullptr;
    std::unique_ptr<QPrinter> FPrinter;
    QStringList FArguments;

    // Window state that other concerns read.
    bool FEditOpereMode = false;
    Valeurs* FSelTitre = nullptr;
    QString FHint;
    int FSplitWidth = 144; // width of the left panel while the window has not been laid out
    bool FLaidOut = false; // shown at least once: the widgets' sizes are what the user saw

    // Widgets.
    QSplitter* Splitter = nullptr;
    QWidget* PartGauche = nullptr;
    QLabel* LibMon = nullptr;
    QTreeWidget* LT1 = nullptr;
    QStackedWidget* Pages = nullptr;
    QTabWidget* PgPort = nullptr;
    QTabWidget* PgCash = nullptr;
    QTabWidget* PgTitre = nullptr;
    QTabWidget* PageCtl1 = nullptr;
    QLabel* StatusPanel0 = nullptr;
    QProgressBar* StatusPanel1 = nullptr;
    QLabel* StatusPanel2 = nullptr;
    QTimer* Timer1 = nullptr;

    // Menus and pop-up menus.
    QMenu* MenuFichiers = nullptr;
    QMenu* MenuImprimer = nullptr;
    QMenu* MenuTitres = nullptr;
    QMenu* MenuValeurs = nullptr;
    QMenu* MenuOperes = nullptr;
    QMenu* MenuCash = nullptr;
    QMenu* MenuPortefeuille = nullptr;
    QMenu* MenuAide = nullptr;
    QMenu* PopupTree = nullptr;
    QMenu* PopupOperes = nullptr;
    QMenu* PopupCash = nullptr;
    QMenu* Rafraichir = nullptr;
    QMenu* RafComp = nullptr;

    // Commands (named as the window's actions).
    QAction* FileNewAct = nullptr;
    QAction* FileOpenAct = nullptr;
    QAction* FileSaveAct = nullptr;
    QAction* FileSaveAsAct = nullptr;
    QAction* Calculette = nullptr;
    QAction* DoParam = nullptr;
    QAction* Importationdhistoriques1 = nullptr;
    QAction* Purge1 = nullptr;
    QAction* ActTransfert = nullptr;
    QAction* EdiPort = nullptr;
    QAction* EditTitre = nullptr;
    QAction* EditVal = nullptr;
    QAction* FilePrintSetupAct = nullptr;
    QAction* FileExitAct = nullptr;
    QAction* AddVal = nullptr;
    QAction* ModifVal = nullptr;
    QAction* delval = nullptr;
    QAction* ActAlarme = nullptr;
    QAction* RafVal = nullptr;
    QAction* MajComp = nullptr;
    QAction* Histo = nullptr;
    QAction* RafValCours = nullptr;
    QAction* RafValIntra = nullptr;
    QAction* RafvalHist = nullptr;
    QAction* RafCmpCours = nullptr;
    QAction* RafCmpIntra = nullptr;
    QAction* RafCmpHisto = nullptr;
    QAction* AddOpere = nullptr;
    QAction* UpdOp = nullptr;
    QAction* DelOpere = nullptr;
    QAction* DPointer1 = nullptr;
    QAction* AddCash = nullptr;
    QAction* UpdCash = nullptr;
    QAction* DelCash = nullptr;
    QAction* CtlRel = nullptr;
    QAction* Commute = nullptr;
    QAction* ViewLogs = nullptr;
    QAction* HelpContentsAct = nullptr;
    QAction* HelpAboutAct = nullptr;

    // Quote refresh (QuoteRefresh.h, which walks; RefreshPanel.h, which shows it; the window's
    // side in MainRefresh.cpp): the commands, what waits for the end of a walk, and the redraw
    // and report after it.
public:
    void UpdateCours(Valeurs* only, bool forced, std::optional<AskKind> depth);
    bool FetchCours(AskWeb& ask);
    void Timer1Timer();
    void TimeLogsTimer();
    void HttpConnect();
    void HttpPacketRecvd();
    void HttpFailure();
    void StatusLineDrawPanel(QPainter& canvas, const QRect& rect);
    // The walk's settings, as the settings file holds them now.
    QuoteRefreshSettings RefreshSettings() const;
    void Misejourcomplte1Click();
    void RafCmpCoursExecute();
    void RafCmpIntraExecute();
    void RafCmpHistoExecute();
    void RafValExecute();
    void RafValCoursExecute();
    void RafValIntraExecute();
    void RafvalHistExecute();
    QuoteRefresh& Refresh() const;
    RefreshPanel& RefreshStatus() const;
    bool Refreshing() const;
    QTimer* AlarmTimer() const { return TimeLogs; }

private:
    void CreateRefresh();
    void RefreshEnded(QuoteRefreshReport report);
    bool RefuseCloseWhileRefreshing(QCloseEvent* event);
    // True, once the status line has said why, when a walk is under way and the command
    // named must wait for its end.
    bool RefuseWhileRefreshing(const QString& commande);
    bool RefuseWhileRefreshing(const QAction* commande);
    // The commands that wait for the end of a walk, and the busy look of their buttons.
    std::vector<QAction*> RefusedWhileRefreshing() const;
    void MarkRefused(bool walking);

    std::unique_ptr<QuoteRefresh> FRefresh;
    RefreshPanel* FRefreshPanel = nullptr;
    // The flash of a waiting alarm, which a price typed in the security dialog also starts.
    QTimer* TimeLogs = nullptr;
    bool FCloseAfterRefresh = false;

    // Views: the tree and the pages it shows (MainViews.cpp), the record lists (RecordLists.h)
    // and the summaries (SummaryPages.h), which own their widgets.
public:
    void ClearViews();
    Valeurs* SelectedTitre() const override;
    void FillTitres();
    void FillOperes(Valeurs* titre);
    void FillCash();
    void ShowPortefeuille();
    void ShowRepartition();
    void FillRepart();
    void CommuteExecute();
    // New column ids of the repartition list, validated in the column chooser: the list is
    // rebuilt, and the ids are saved in COLREP2 when the user agrees.
    void ColRepChanged(const std::array<std::uint8_t, kColRepSize>& ids);

private:
    void CreateViews();
    void SetUpTree();
    void ConnectTreeAndPickers();
    void LT1Change();
    void PageCtl1Change();

    RecordLists* FListes = nullptr;
    SummaryPages* FSyntheses = nullptr;
    bool FBuildingTree = false;
    std::uint8_t TreeSelKind = 0; // kind of node selected when the last rebuild began

    // The security page: its synthesis with the intraday chart, its history charts
    // (SecurityPage.h, which owns their widgets, periods and crosshairs).
public:
    void ShowTitre(Valeurs* titre);
    void ShowGraphiques(Valeurs* titre);
    // Inverts the crosshair at (x, y) in the chart's viewport: twice at one place erases it.
    void DrawCrosshair(QChartView* chart, int x, int y);
    double DateRentabilite() const override;

private:
    SecurityPage* FTitrePage = nullptr;

    // Alarms (MainAlarms.cpp): the alarms of the selected security, the alarm log, and the
    // check after a new price.
public:
    void ActAlarmeExecute();
    void ViewLogsExecute();
    // Checks the alarms of a security whose price changed. True when an alarm fired and its
    // line reached the log, so that the log viewer will show it: the caller then sets the
    // pending-alarm flag. Fired alarms that the log did not take are kept for
    // ReportUnloggedAlarms.
    bool CheckAlarmesLogged(TCorv& doc, Valeurs* titre);
    // Tells the user, in one message, of the fired alarms kept since the last report; nothing
    // when there are none. Called once a command's checks are over, so that a refresh walk
    // with many of them says it once.
    void ReportUnloggedAlarms();

private:
    // Fired alarms that did not reach a log: the log they were meant for (empty for a document
    // never saved) and their line.
    std::vector<std::pair<std::string, std::string>> FAlarmesNonJournalisees;

    // Editing (MainEdit.cpp, MainEditDialogs.cpp): the commands that add, change and delete
    // securities, trades and cash movements, tick trades and purge the ticked ones.
public:
    void AddValExecute();
    void ModifValExecute();
    void delvalExecute();
    void AddOpereExecute();
    void UpdOpExecute();
    void DelOpereExecute();
    void DPointer1Click();
    void AddCashExecute();
    void UpdCashExecute();
    void DelCashExecute();
    void Purge1Click();
    // The records of the selected rows of the trade and cash lists, or null.
    Operes* SelectedOpere() const;
    Mvt* SelectedMvt() const;

private:
    // The Delete key, the double click and the pop-up menu of the tree and of the trade and
    // cash lists run the editing commands.
    void ConnectEditingCommands();
    // False when there is no document, or when a walk is under way: the status line then
    // says that the command named was refused.
    bool EditingAllowed(const QAction* commande);
    void ForgetTradeRows();

    Operes* FEditOpere = nullptr; // the trade that the trade dialog modifies

    // Launchers (MainLaunch.cpp): the statement check, the history editor with the split of
    // trades, the transfer of the portfolio into a new file, the history import and the
    // printed reports.
public:
    void CtlRelExecute();
    void HistoExecute();
    void ActTransfertExecute();
    void Importationdhistoriques1Click();
    void EdiPortExecute();
    void EditTitreExecute();
    void EditValExecute();
};

extern TMainForm* MainForm;
