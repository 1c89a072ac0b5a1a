// The window's side of the quote refresh (the walk itself is QuoteRefresh): its eight
// commands, the commands refused while a walk waits on a request, and, once a walk is over,
// the redraw and what the walk has to tell.

#include "window/Main.h"

#include "window/QuoteRefresh.h"
#include "window/RefreshPanel.h"

#include "portfolio/Cv.h"
#include "quotescan/AskWeb.h"

#include <QAbstractButton>
#include <QAction>
#include <QCloseEvent>
#include <QStatusBar>
#include <QTimer>

#include <iterator>
#include <optional>

void TMainForm::CreateRefresh() {
    const auto document = [this] { return FPortefeuille.get(); };
    FRefresh = std::make_unique<QuoteRefresh>(document);
    FRefresh->SetSettings([this] { return RefreshSettings(); });
    FRefreshPanel = new RefreshPanel(RefreshPanel::Widgets{.window = this,
                                                           .statusLine = statusBar(),
                                                           .progressPanel = StatusPanel1,
                                                           .requestPanel = StatusPanel2,
                                                           .viewLogs = ViewLogs},
                                     document, this);
    FRefreshPanel->Follow(*FRefresh);
    connect(FRefresh.get(), &QuoteRefresh::Started, this, [this] { MarkRefused(true); });
    connect(FRefresh.get(), &QuoteRefresh::TitreRefreshed, this, [this] {
        try {
            PageCtl1Change();
        } catch (...) {
            FRefresh->StopOnError();
        }
    });
    connect(FRefresh.get(), &QuoteRefresh::Ended, this,
            [this](const QuoteRefreshReport& report) { RefreshEnded(report); });
    Timer1 = FRefresh->RefreshTimer();
    TimeLogs = FRefreshPanel->AlarmTimer();
}

QuoteRefreshSettings TMainForm::RefreshSettings() const {
    platform::SettingsStore& registre = *FRegistry;
    // Read within what opened the key (the start, the options) or, alone, for this read.
    std::optional<OpenedKey> key;
    if (!registre.IsOpen())
        key.emplace(registre);
    QuoteRefreshSettings reglages;
    reglages.site = registre.ReadInteger("HTTP");
    reglages.profondeur = static_cast<AskKind>(registre.ReadInteger("MAJTYPE"));
    reglages.automatique = registre.ReadInteger("MAJ") != 0;
    reglages.minutes = registre.ReadInteger("TEMPS");
    if (registre.ReadInteger("PROXY") != 0) {
        reglages.proxy = QString::fromStdString(ReadStringOrEmpty(registre, "PROXYNAME"));
        reglages.proxyPort = registre.ReadInteger("PROXYPORT");
    }
    if (key)
        key->Close();
    return reglages;
}

QuoteRefresh& TMainForm::Refresh() const {
    return *FRefresh;
}

RefreshPanel& TMainForm::RefreshStatus() const {
    return *FRefreshPanel;
}

bool TMainForm::Refreshing() const {
    return FRefresh->Refreshing();
}

// The refresh's handlers: the walk and the panel do the work.

void TMainForm::UpdateCours(Valeurs* only, bool forced, std::optional<AskKind> depth) {
    FRefresh->UpdateCours(only, forced, depth);
}

bool TMainForm::FetchCours(AskWeb& ask) {
    return FRefresh->FetchCours(ask);
}

void TMainForm::Timer1Timer() {
    FRefresh->Timer1Timer();
}

void TMainForm::TimeLogsTimer() {
    FRefreshPanel->TimeLogsTimer();
}

void TMainForm::HttpConnect() {
    FRefresh->HttpConnect();
}

void TMainForm::HttpPacketRecvd() {
    FRefresh->HttpPacketRecvd();
}

void TMainForm::HttpFailure() {
    FRefresh->HttpFailure();
}

void TMainForm::StatusLineDrawPanel(QPainter& canvas, const QRect& rect) {
    FRefreshPanel->StatusLineDrawPanel(canvas, rect);
}

// The commands. Those of the selected security do nothing without a selection.

void TMainForm::Misejourcomplte1Click() {
    FRefresh->Misejourcomplte1Click();
}

void TMainForm::RafCmpCoursExecute() {
    UpdateCours(nullptr, false, AskKind::Quote);
}

void TMainForm::RafCmpIntraExecute() {
    UpdateCours(nullptr, false, AskKind::Intraday);
}

void TMainForm::RafCmpHistoExecute() {
    UpdateCours(nullptr, false, AskKind::History);
}

namespace {

// The selected security, refreshed even when it is not followed automatically.
void RefreshSelected(TMainForm& form, std::optional<AskKind> depth) {
    if (form.Portefeuille() == nullptr)
        return;
    if (Valeurs* titre = form.SelectedTitre())
        form.UpdateCours(titre, true, depth);
}

} // namespace

void TMainForm::RafValExecute() {
    RefreshSelected(*this, std::nullopt);
}

void TMainForm::RafValCoursExecute() {
    RefreshSelected(*this, AskKind::Quote);
}

void TMainForm::RafValIntraExecute() {
    RefreshSelected(*this, AskKind::Intraday);
}

void TMainForm::RafvalHistExecute() {
    RefreshSelected(*this, AskKind::History);
}

void TMainForm::RefreshEnded(QuoteRefreshReport report) {
    MarkRefused(false);
    try {
        if (FPortefeuille) {
            RefreshViews(nullptr);
            FPortefeuille->Modifie = true;
        }
    } catch (...) {
        report.NoteError();
    }
    FAlarmesNonJournalisees.insert(FAlarmesNonJournalisees.end(),
                                   std::make_move_iterator(report.alarmesNonJournalisees.begin()),
                                   std::make_move_iterator(report.alarmesNonJournalisees.end()));
    ReportUnloggedAlarms();
    // Told without waiting for the user: a timed refresh goes on following the quotes.
    if (const QString problemes = report.Text(); !problemes.isEmpty())
        FPrompts->Notice(this, "Corvane", problemes,
                         report.erreurs.isEmpty() ? QMessageBox::Warning : QMessageBox::Critical);
    if (FCloseAfterRefresh) {
        // The user asked to close while the walk ran: ask again now that it is over
        // and told.
        FCloseAfterRefresh = false;
        QTimer::singleShot(0, this, [this] { close(); });
    }
}

std::vector<QAction*> TMainForm::RefusedWhileRefreshing() const {
    return {
        FileNewAct,  FileOpenAct, FileExitAct, AddVal,      ModifVal,     delval,
        AddOpere,    UpdOp,       DelOpere,    DPointer1,   AddCash,      UpdCash,
        DelCash,     Purge1,      CtlRel,      Histo,       ActTransfert, Importationdhistoriques1,
        MajComp,     RafCmpCours, RafCmpIntra, RafCmpHisto, RafVal,       RafValCours,
        RafValIntra, RafvalHist};
}

void TMainForm::MarkRefused(bool walking) {
    // The window stays free during a walk; only the buttons of the commands that wait for
    // its end show that they are busy.
    for (QAction* action : RefusedWhileRefreshing()) {
        for (QObject* objet : action->associatedObjects()) {
            auto* bouton = qobject_cast<QAbstractButton*>(objet);
            if (bouton == nullptr)
                continue;
            if (walking)
                bouton->setCursor(Qt::WaitCursor);
            else
                bouton->unsetCursor();
        }
    }
}

bool TMainForm::RefuseWhileRefreshing(const QString& commande) {
    if (!Refreshing())
        return false;
    ShowHint(QString("« %1 » refusé : la mise à jour des cours est en cours.").arg(commande));
    return true;
}

bool TMainForm::RefuseWhileRefreshing(const QAction* commande) {
    return RefuseWhileRefreshing(QString(commande->text()).remove('&'));
}

bool TMainForm::RefuseCloseWhileRefreshing(QCloseEvent* event) {
    if (!Refreshing())
        return false;
    // The walk holds records of the document: the window closes once it is over.
    FCloseAfterRefresh = true;
    ShowHint(QString("La fenêtre se fermera à la fin de la mise à jour des cours."));
    event->ignore();
    return true;
}
