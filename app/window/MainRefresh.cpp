// The quote refresh: the walk over the securities that fetches, for each one, its quote, its
// intraday points and its history from the quote site chosen in the options, through the
// quote-page library; its eight commands and its timer; the progress panel of the status
// line; and the flashing that tells the user a fired alarm waits in the log.

#include "window/Main.h"

#include "window/HttpClient.h"
#include "window/Registry.h"

#include "platform/Checked.h"
#include "platform/DateTime.h"
#include "platform/Numbers.h"
#include "portfolio/Cv.h"
#include "quotescan/AskWeb.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QUrl>

#include <cstring>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

// How long a timed refresh that met a modal dialog waits before it looks again.
constexpr int kModalRetryMs = 250;

// The progress panel is drawn by the window rather than by the bar's own style.
class ProgressPanelPainter : public QObject {
public:
    explicit ProgressPanelPainter(TMainForm* form) : QObject(form), form_(form) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint)
            return false;
        auto* panel = static_cast<QWidget*>(watched);
        QPainter canvas(panel);
        form_->StatusLineDrawPanel(canvas, panel->rect());
        return true;
    }

private:
    TMainForm* form_;
};

// Copies text with its NUL into a fixed field; false, field untouched, when it does not fit.
template <std::size_t N> bool CopyField(char (&field)[N], const std::string& text) {
    if (text.size() >= N)
        return false;
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), text.size());
    return true;
}

// What a request that could not connect tried to reach: the proxy when one is set, else
// the quote site.
QString Unreachable(const HttpClient& http, const QUrl& url) {
    if (!http.Proxy.isEmpty())
        return QString("le proxy « %1:%2 »").arg(http.Proxy).arg(http.ProxyPort);
    const QString site =
        url.port() >= 0 ? url.host() + ":" + QString::number(url.port()) : url.host();
    return QString("le site « %1 »").arg(site.isEmpty() ? url.toDisplayString() : site);
}

} // namespace

void TMainForm::CreateRefresh() {
    Http = new HttpClient(this);
    Http->setObjectName("Http");
    connect(Http, &HttpClient::Connected, this, &TMainForm::HttpConnect);
    connect(Http, &HttpClient::PacketRecvd, this, &TMainForm::HttpPacketRecvd);
    connect(Http, &HttpClient::Failure, this, &TMainForm::HttpFailure);

    TimeLogs = new QTimer(this);
    TimeLogs->setObjectName("TimeLogs");
    TimeLogs->setInterval(1000);
    connect(TimeLogs, &QTimer::timeout, this, [this] { Guard([this] { TimeLogsTimer(); }); });

    FRefreshRetry = new QTimer(this);
    FRefreshRetry->setObjectName("RefreshRetry");
    FRefreshRetry->setSingleShot(true);
    FRefreshRetry->setInterval(kModalRetryMs);
    connect(FRefreshRetry, &QTimer::timeout, this, [this] { Guard([this] { Timer1Timer(); }); });
    connect(Timer1, &QTimer::timeout, this, [this] { Guard([this] { Timer1Timer(); }); });

    StatusPanel1->installEventFilter(new ProgressPanelPainter(this));

    FViewLogsIcons[0] = ViewLogs->icon();
    FViewLogsIcons[1] = QApplication::style()->standardIcon(QStyle::SP_MessageBoxCritical);
    FViewLogsImage = 21;
}

// The commands. Those of the selected security do nothing without a selection.

void TMainForm::Misejourcomplte1Click() {
    if (FPortefeuille)
        UpdateCours(nullptr, false, std::nullopt);
}

void TMainForm::RafCmpCoursExecute() {
    if (FPortefeuille)
        UpdateCours(nullptr, false, AskKind::Quote);
}

void TMainForm::RafCmpIntraExecute() {
    if (FPortefeuille)
        UpdateCours(nullptr, false, AskKind::Intraday);
}

void TMainForm::RafCmpHistoExecute() {
    if (FPortefeuille)
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

void TMainForm::Timer1Timer() {
    if (FRefreshing)
        return; // the walk under way is this tick's refresh; the next tick comes in time
    // A dialog may be editing what the refresh replaces (a history, a security): the tick
    // waits for it to close.
    if (QApplication::activeModalWidget() != nullptr) {
        FRefreshRetry->start();
        return;
    }
    Misejourcomplte1Click();
}

void TMainForm::UpdateCours(Valeurs* only, bool forced, std::optional<AskKind> depth) {
    // One walk at a time: a command or a tick that comes while a request waits is refused.
    if (FRefreshing || !FPortefeuille)
        return;
    FProgress = 0;
    RepaintStatusLine();

    // Whatever goes wrong is told once the walk is over, all of it in one message: an error
    // that ends the walk must not hide a history that could not be saved before it.
    std::vector<std::string> nonEnregistres;
    QStringList erreurs;
    const auto noter = [&erreurs] {
        try {
            throw;
        } catch (const std::exception& error) {
            erreurs << QString::fromStdString(error.what());
        } catch (...) {
            erreurs << QString("Erreur inattendue.");
        }
    };
    FInjoignable.clear();
    FRefreshing = true;
    MarkRefused(true);
    try {
        RefreshWalk(only, forced, depth, nonEnregistres);
    } catch (...) {
        noter();
    }
    MarkRefused(false);
    FProgress = 0;
    StatusPanel2->clear();
    RepaintStatusLine();
    FRefreshing = false;

    try {
        if (FPortefeuille) {
            RefreshViews(nullptr);
            FPortefeuille->Modifie = true;
        }
    } catch (...) {
        noter();
    }
    ReportUnloggedAlarms();
    QStringList problemes;
    if (!FInjoignable.isEmpty())
        problemes << QString("Connexion impossible avec %1 : la mise à jour des cours "
                             "s'est arrêtée.")
                         .arg(FInjoignable);
    if (!nonEnregistres.empty()) {
        QString texte = QString("Impossible d'enregistrer l'historique :");
        for (const std::string& chemin : nonEnregistres)
            texte += "\n" + QString::fromStdString(chemin);
        problemes << texte;
    }
    problemes << erreurs;
    if (!problemes.isEmpty())
        FPrompts->Message(this, "Corvane", problemes.join("\n\n"),
                          erreurs.isEmpty() ? QMessageBox::Warning : QMessageBox::Critical,
                          QMessageBox::Ok);
    if (FCloseAfterRefresh) {
        // The user asked to close while the walk ran: ask again now that it is over
        // and told.
        FCloseAfterRefresh = false;
        QTimer::singleShot(0, this, [this] { close(); });
    }
}

void TMainForm::RefreshWalk(Valeurs* only, bool forced, std::optional<AskKind> depth,
                            std::vector<std::string>& nonEnregistres) {
    TCorv* const doc = FPortefeuille.get();
    std::int32_t site = 0;
    {
        OpenedKey key(*FRegistry);
        site = FRegistry->ReadInteger("HTTP");
        if (!depth)
            depth = static_cast<AskKind>(FRegistry->ReadInteger("MAJTYPE"));
        key.Close();
    }

    // History is complete up to the last trading day before today.
    const platform::TDateTime aujourdhui = platform::DateOf(platform::Date());
    const platform::TDateTime reference =
        aujourdhui - (platform::DayOfWeek(aujourdhui) == 1 ? 2 : 1);

    // The requests dispatch events while they wait, and the document's list may be sorted
    // or shortened meanwhile: the walk keeps the codes it started with and looks each
    // security up again before it touches it.
    std::vector<std::string> codes;
    if (only != nullptr) {
        for (const auto& titre : doc->Titres)
            if (titre.get() == only) {
                codes.push_back(only->Code);
                break;
            }
    } else {
        codes.reserve(doc->Titres.size());
        for (const auto& titre : doc->Titres)
            codes.push_back(titre->Code);
    }
    const std::int32_t pas =
        only != nullptr ? 33
                        : static_cast<std::int32_t>(
                              platform::SafeDiv(99, 3 * static_cast<std::int64_t>(codes.size())));

    AskWeb ask{};
    bool arret = false;
    for (const std::string& code : codes) {
        if (arret || FPortefeuille.get() != doc)
            break;
        Valeurs* titre = doc->FindTitre(code);
        if (titre == nullptr)
            continue; // removed while an earlier request waited
        // A code that does not fit the request is never cut down to another security's.
        const bool codeValide = CopyField(ask.Code, code);
        const std::int32_t ancienCours = titre->Infos.Cours;
        ask.Site = site;
        for (const AskKind kind : {AskKind::Quote, AskKind::Intraday, AskKind::History}) {
            ask.Type = kind;
            FProgress = platform::Saturate32(static_cast<std::int64_t>(FProgress) + pas);
            RepaintStatusLine();
            if (!codeValide)
                continue;
            if (!titre->SuiviAuto && !forced)
                continue;
            if (kind > *depth)
                break;
            if (!GetFormule(&ask))
                continue;
            if (kind == AskKind::Intraday) {
                const std::string chemin = doc->IntradayFilePath(titre);
                if (!CopyField(ask.Fichier, chemin))
                    continue;
                std::error_code ignore;
                std::filesystem::create_directories(std::filesystem::path(chemin).parent_path(),
                                                    ignore);
            }
            if (kind == AskKind::History) {
                if (doc->TitreHisto != titre)
                    doc->LoadHistoFile(titre);
                if (doc->DateHisto >= reference)
                    continue;
            }
            FHistoCode = code;
            if (!FetchCours(ask)) {
                arret = true;
                break;
            }
            if (FPortefeuille.get() != doc) {
                arret = true;
                break;
            }
            titre = doc->FindTitre(code);
            if (titre == nullptr)
                break;
            if (kind == AskKind::Quote) {
                titre->Infos = ask.Infos;
                doc->SortOperes(titre);
                doc->ComputeTitre(titre);
                if (titre->Infos.Cours != ancienCours && CheckAlarmesLogged(*doc, titre))
                    doc->AlarmeNouvelle = true;
            } else if (kind == AskKind::History && doc->TitreHisto == titre) {
                if (!doc->SaveHistoFile())
                    nonEnregistres.push_back(doc->HistoFilePath(titre));
            }
        }
        // The visible page shows the new values at once.
        if (FPortefeuille.get() == doc)
            PageCtl1Change();
    }
    if (FPortefeuille.get() == doc && doc->AlarmeNouvelle)
        TimeLogs->start();
}

bool TMainForm::FetchCours(AskWeb& ask) {
    FConnected = false;
    Http->TimeOut = FHttpTimeOut;
    Http->Proxy.clear();
    Http->ProxyPort = 0;
    {
        // Taken anew for each request, so that a change in the options applies at once.
        OpenedKey key(*FRegistry);
        if (FRegistry->ReadInteger("PROXY") != 0) {
            Http->Proxy = QString::fromStdString(ReadStringOrEmpty(*FRegistry, "PROXYNAME"));
            Http->ProxyPort = FRegistry->ReadInteger("PROXYPORT");
        }
        key.Close();
    }
    const std::string code(ask.Code, strnlen(ask.Code, sizeof ask.Code));
    // The code as the request's Tag: an integer, as the status texts show it ("012345" gives
    // 12345). Anything else is an error that ends the walk.
    Http->Tag = platform::ReadWholeNumber(code);
    const QString valeur = "Valeur: " + QString::fromStdString(code);
    StatusPanel2->setText(valeur + " Connexion en cours ...");

    const QString url = QString::fromLatin1(ask.Formule, strnlen(ask.Formule, sizeof ask.Formule));
    try {
        Http->Get(url);
    } catch (const HttpError& erreur) {
        // The failure is the answer: the walk stops. One that never reached the server is
        // told after the walk, else the refresh would look like one that succeeded.
        FConnected = false;
        if (!erreur.Reached())
            FInjoignable = Unreachable(*Http, QUrl(url));
    }
    if (!FConnected) {
        StatusPanel2->clear();
        return false;
    }
    StatusPanel2->setText(valeur + QString(" Mise à jour des informations..."));

    // The library writes into the page while it reads it, and a history parser keeps reading
    // it until its last record: the copy lives until then.
    QByteArray page = Http->Body();
    const bool lu = AnalyseRep(&ask, page.data());
    if (lu && ask.Type == AskKind::History) {
        // While the page came, the window may have shown another security, whose history
        // then took the table: the walked security's comes back before its days go in.
        Valeurs* titre = FPortefeuille->FindTitre(FHistoCode);
        if (titre != nullptr && FPortefeuille->TitreHisto != titre)
            FPortefeuille->LoadHistoFile(titre);
        const bool garder = titre != nullptr && FPortefeuille->TitreHisto == titre;
        bool fin = false;
        do {
            InfosCours jour{};
            fin = GetNextRep(&jour);
            if (!fin && garder)
                FPortefeuille->AddHistoPoint(jour);
        } while (!fin);
    }
    return lu;
}

void TMainForm::HttpConnect() {
    FConnected = true;
    StatusPanel2->setText("Valeur: " + QString::number(Http->Tag) + QString(" connecté..."));
}

void TMainForm::HttpPacketRecvd() {
    if (!FConnected)
        return;
    StatusPanel2->setText("Valeur: " + QString::number(Http->Tag) + " - " +
                          QString::number(Http->BytesRecvd()) + QString(" octets reçus"));
}

void TMainForm::HttpFailure() {
    FConnected = false;
}

void TMainForm::RepaintStatusLine() {
    // At once: the walk keeps the thread busy between two requests.
    StatusPanel1->setValue(FProgress);
    statusBar()->repaint();
}

void TMainForm::StatusLineDrawPanel(QPainter& canvas, const QRect& rect) {
    const QColor fond = palette().color(QPalette::Button);
    canvas.fillRect(rect, fond);
    if (FProgress == 0)
        return;
    const std::int32_t largeur = platform::Trunc32(rect.width() * FProgress * 0.01);
    canvas.fillRect(QRect(rect.left(), rect.top(), largeur, rect.height()), QColor(0, 0, 255));
    const QString texte = QString::number(FProgress) + " %";
    const QFontMetrics mesure = canvas.fontMetrics();
    const int x = rect.left() + (rect.width() - mesure.horizontalAdvance(texte)) / 2;
    const int y = rect.top() + (rect.height() - mesure.height()) / 2;
    canvas.setPen(Qt::black);
    canvas.setBackgroundMode(Qt::TransparentMode);
    canvas.drawText(QPoint(x, y + mesure.ascent()), texte);
}

void TMainForm::TimeLogsTimer() {
    if (!FPortefeuille)
        return;
    if (FPortefeuille->AlarmeNouvelle) {
        QApplication::alert(this);
        FViewLogsImage = FViewLogsImage == 21 ? 22 : 21;
    } else {
        FViewLogsImage = 21;
        TimeLogs->stop();
    }
    ViewLogs->setIcon(FViewLogsIcons[FViewLogsImage == 21 ? 0 : 1]);
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
    if (!FRefreshing)
        return false;
    ShowHint(QString("« %1 » refusé : la mise à jour des cours est en cours.").arg(commande));
    return true;
}

bool TMainForm::RefuseWhileRefreshing(const QAction* commande) {
    return RefuseWhileRefreshing(QString(commande->text()).remove('&'));
}

bool TMainForm::RefuseCloseWhileRefreshing(QCloseEvent* event) {
    if (!FRefreshing)
        return false;
    // The walk holds records of the document: the window closes once it is over.
    FCloseAfterRefresh = true;
    ShowHint(QString("La fenêtre se fermera à la fin de la mise à jour des cours."));
    event->ignore();
    return true;
}
