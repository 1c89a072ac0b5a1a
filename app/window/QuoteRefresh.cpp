#include "window/QuoteRefresh.h"

#include "window/HttpClient.h"
#include "window/Registry.h"

#include "platform/Checked.h"
#include "platform/DateTime.h"
#include "platform/Numbers.h"
#include "portfolio/Cv.h"
#include "quotescan/AskWeb.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QStyle>
#include <QTimer>
#include <QUrl>

#include <cstring>
#include <exception>
#include <filesystem>
#include <system_error>
#include <utility>

namespace {

// How long a timed refresh that met a modal dialog waits before it looks again.
constexpr int kModalRetryMs = 250;

// The progress panel is drawn by the refresh rather than by the bar's own style.
class ProgressPanelPainter : public QObject {
public:
    explicit ProgressPanelPainter(QuoteRefresh* refresh) : QObject(refresh), refresh_(refresh) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint)
            return false;
        auto* panel = static_cast<QWidget*>(watched);
        QPainter canvas(panel);
        refresh_->StatusLineDrawPanel(canvas, panel->rect());
        return true;
    }

private:
    QuoteRefresh* refresh_;
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

void QuoteRefreshReport::NoteError() {
    try {
        throw;
    } catch (const std::exception& error) {
        erreurs << QString::fromStdString(error.what());
    } catch (...) {
        erreurs << QString("Erreur inattendue.");
    }
}

QString QuoteRefreshReport::Text() const {
    QStringList problemes;
    if (!injoignable.isEmpty())
        problemes << QString("Connexion impossible avec %1 : la mise à jour des cours "
                             "s'est arrêtée.")
                         .arg(injoignable);
    if (!nonEnregistres.empty()) {
        QString texte = QString("Impossible d'enregistrer l'historique :");
        for (const std::string& chemin : nonEnregistres)
            texte += "\n" + QString::fromStdString(chemin);
        problemes << texte;
    }
    problemes << erreurs;
    return problemes.join("\n\n");
}

QuoteRefresh::QuoteRefresh(Host host, QObject* parent) : QObject(parent), FHost(std::move(host)) {
    Http = new HttpClient(this);
    Http->setObjectName("Http");
    connect(Http, &HttpClient::Connected, this, &QuoteRefresh::HttpConnect);
    connect(Http, &HttpClient::PacketRecvd, this, &QuoteRefresh::HttpPacketRecvd);
    connect(Http, &HttpClient::Failure, this, &QuoteRefresh::HttpFailure);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    connect(Timer1, &QTimer::timeout, this, [this] { Tick(&QuoteRefresh::Timer1Timer); });

    TimeLogs = new QTimer(this);
    TimeLogs->setObjectName("TimeLogs");
    TimeLogs->setInterval(1000);
    connect(TimeLogs, &QTimer::timeout, this, [this] { Tick(&QuoteRefresh::TimeLogsTimer); });

    FRefreshRetry = new QTimer(this);
    FRefreshRetry->setObjectName("RefreshRetry");
    FRefreshRetry->setSingleShot(true);
    FRefreshRetry->setInterval(kModalRetryMs);
    connect(FRefreshRetry, &QTimer::timeout, this, [this] { Tick(&QuoteRefresh::Timer1Timer); });

    FHost.progressPanel->setValue(FProgress);
    FHost.progressPanel->installEventFilter(new ProgressPanelPainter(this));

    FViewLogsIcons[0] = FHost.viewLogs->icon();
    FViewLogsIcons[1] = QApplication::style()->standardIcon(QStyle::SP_MessageBoxCritical);
}

QuoteRefresh::~QuoteRefresh() = default;

void QuoteRefresh::Tick(void (QuoteRefresh::*handler)()) {
    FHost.guard([this, handler] { (this->*handler)(); });
}

void QuoteRefresh::Misejourcomplte1Click() {
    UpdateCours(nullptr, false, std::nullopt);
}

void QuoteRefresh::Timer1Timer() {
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

void QuoteRefresh::UpdateCours(Valeurs* only, bool forced, std::optional<AskKind> depth) {
    if (FRefreshing || FHost.document() == nullptr)
        return;
    FProgress = 0;
    RepaintStatusLine();

    QuoteRefreshReport report;
    FInjoignable.clear();
    FRefreshing = true;
    try {
        FHost.walkStarted();
        RefreshWalk(only, forced, depth, report);
    } catch (...) {
        report.NoteError();
    }
    FProgress = 0;
    FHost.requestPanel->clear();
    RepaintStatusLine();
    FRefreshing = false;
    report.injoignable = std::exchange(FInjoignable, QString());
    FHost.walkEnded(report);
}

void QuoteRefresh::RefreshWalk(Valeurs* only, bool forced, std::optional<AskKind> depth,
                               QuoteRefreshReport& report) {
    TCorv* const doc = FHost.document();
    platform::SettingsStore& registre = *FHost.registry;
    std::int32_t site = 0;
    {
        OpenedKey key(registre);
        site = registre.ReadInteger("HTTP");
        if (!depth)
            depth = static_cast<AskKind>(registre.ReadInteger("MAJTYPE"));
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
        if (arret || FHost.document() != doc)
            break;
        Valeurs* titre = doc->FindTitre(code);
        if (titre == nullptr)
            continue; // removed while an earlier request waited
        // A code that does not fit the request is never cut down to another security's.
        const bool codeValide = CopyField(ask.Code, code);
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
            if (!FetchCours(ask) || FHost.document() != doc) {
                arret = true;
                break;
            }
            titre = doc->FindTitre(code);
            if (titre == nullptr)
                break;
            if (kind == AskKind::Quote) {
                if (CheckKeepingUnlogged(
                        *doc, [&] { return doc->ApplyCours(titre, ask.Infos); },
                        report.alarmesNonJournalisees))
                    doc->SignaleAlarme();
            } else if (kind == AskKind::History && doc->TitreHisto == titre) {
                if (!doc->SaveHistoFile())
                    report.nonEnregistres.push_back(doc->HistoFilePath(titre));
            }
        }
        if (FHost.document() == doc)
            FHost.titreRefreshed();
    }
    if (FHost.document() == doc && doc->AlarmeNouvelle)
        TimeLogs->start();
}

bool QuoteRefresh::FetchCours(AskWeb& ask) {
    FConnected = false;
    Http->TimeOut = FHttpTimeOut;
    Http->Proxy.clear();
    Http->ProxyPort = 0;
    {
        // Taken anew for each request, so that a change in the options applies at once.
        platform::SettingsStore& registre = *FHost.registry;
        OpenedKey key(registre);
        if (registre.ReadInteger("PROXY") != 0) {
            Http->Proxy = QString::fromStdString(ReadStringOrEmpty(registre, "PROXYNAME"));
            Http->ProxyPort = registre.ReadInteger("PROXYPORT");
        }
        key.Close();
    }
    const std::string code(ask.Code, strnlen(ask.Code, sizeof ask.Code));
    // The code as the request's Tag: an integer, as the status texts show it ("012345" gives
    // 12345). Anything else is an error that ends the walk.
    Http->Tag = platform::ReadWholeNumber(code);
    const QString valeur = "Valeur: " + QString::fromStdString(code);
    FHost.requestPanel->setText(valeur + " Connexion en cours ...");

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
        FHost.requestPanel->clear();
        return false;
    }
    FHost.requestPanel->setText(valeur + QString(" Mise à jour des informations..."));

    // The library writes into the page while it reads it, and a history parser keeps reading
    // it until its last record: the copy lives until then.
    QByteArray page = Http->Body();
    const bool lu = AnalyseRep(&ask, page.data());
    if (lu && ask.Type == AskKind::History) {
        // While the page came, the window may have shown another security, whose history
        // then took the table: the walked security's comes back before its days go in.
        TCorv* const doc = FHost.document();
        Valeurs* titre = doc != nullptr ? doc->FindTitre(FHistoCode) : nullptr;
        if (titre != nullptr && doc->TitreHisto != titre)
            doc->LoadHistoFile(titre);
        const bool garder = titre != nullptr && doc->TitreHisto == titre;
        bool fin = false;
        do {
            InfosCours jour{};
            fin = GetNextRep(&jour);
            if (!fin && garder)
                doc->AddHistoPoint(jour);
        } while (!fin);
    }
    return lu;
}

void QuoteRefresh::HttpConnect() {
    FConnected = true;
    FHost.requestPanel->setText("Valeur: " + QString::number(Http->Tag) + QString(" connecté..."));
}

void QuoteRefresh::HttpPacketRecvd() {
    if (!FConnected)
        return;
    FHost.requestPanel->setText("Valeur: " + QString::number(Http->Tag) + " - " +
                                QString::number(Http->BytesRecvd()) + QString(" octets reçus"));
}

void QuoteRefresh::HttpFailure() {
    FConnected = false;
}

void QuoteRefresh::RepaintStatusLine() {
    // At once: the walk keeps the thread busy between two requests.
    FHost.progressPanel->setValue(FProgress);
    FHost.statusLine->repaint();
}

void QuoteRefresh::StatusLineDrawPanel(QPainter& canvas, const QRect& rect) {
    const QColor fond = FHost.window->palette().color(QPalette::Button);
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

void QuoteRefresh::TimeLogsTimer() {
    const TCorv* const doc = FHost.document();
    if (doc == nullptr)
        return;
    if (doc->AlarmeNouvelle) {
        QApplication::alert(FHost.window);
        FViewLogsImage = FViewLogsImage == 21 ? 22 : 21;
    } else {
        FViewLogsImage = 21;
        TimeLogs->stop();
    }
    FHost.viewLogs->setIcon(FViewLogsIcons[FViewLogsImage == 21 ? 0 : 1]);
}
