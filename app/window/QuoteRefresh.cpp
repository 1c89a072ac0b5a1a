#include "window/QuoteRefresh.h"

#include "window/HttpClient.h"

#include "platform/Checked.h"
#include "platform/DateTime.h"
#include "platform/Numbers.h"
#include "portfolio/Cv.h"

#include <QGuiApplication>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <climits>
#include <cstring>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace {

// How long a timed refresh that met a modal dialog waits before it looks again.
constexpr int kModalRetryMs = 250;

// Copies text with its NUL into a fixed field; false, field untouched, when it does not fit.
template <std::size_t N> bool CopyField(char (&field)[N], const std::string& text) {
    if (text.size() >= N)
        return false;
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), text.size());
    return true;
}

// The quote site of a request, as the user reads it in a message.
QString SiteOf(const QUrl& url) {
    const QString site =
        url.port() >= 0 ? url.host() + ":" + QString::number(url.port()) : url.host();
    return QString("le site « %1 »").arg(site.isEmpty() ? url.toDisplayString() : site);
}

// What a request that could not connect tried to reach: the proxy when one is set, else
// the quote site.
QString Unreachable(const HttpClient& http, const QUrl& url) {
    if (!http.Proxy.isEmpty())
        return QString("le proxy « %1:%2 »").arg(http.Proxy).arg(http.ProxyPort);
    return SiteOf(url);
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
    problemes << refus;
    if (!nonEnregistres.empty()) {
        QString texte = QString("Impossible d'enregistrer l'historique :");
        for (const std::string& chemin : nonEnregistres)
            texte += "\n" + QString::fromStdString(chemin);
        problemes << texte;
    }
    problemes << erreurs;
    return problemes.join("\n\n");
}

QuoteRefresh::QuoteRefresh(std::function<TCorv*()> document, QObject* parent)
    : QObject(parent), FDocument(std::move(document)) {
    Http = new HttpClient(this);
    Http->setObjectName("Http");
    connect(Http, &HttpClient::Connected, this, &QuoteRefresh::HttpConnect);
    connect(Http, &HttpClient::PacketRecvd, this, &QuoteRefresh::HttpPacketRecvd);
    connect(Http, &HttpClient::Failure, this, &QuoteRefresh::HttpFailure);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    connect(Timer1, &QTimer::timeout, this, &QuoteRefresh::Timer1Timer);

    FRefreshRetry = new QTimer(this);
    FRefreshRetry->setObjectName("RefreshRetry");
    FRefreshRetry->setSingleShot(true);
    FRefreshRetry->setInterval(kModalRetryMs);
    connect(FRefreshRetry, &QTimer::timeout, this, &QuoteRefresh::Timer1Timer);
}

QuoteRefresh::~QuoteRefresh() = default;

void QuoteRefresh::SetSettings(std::function<QuoteRefreshSettings()> source) {
    FSettings = std::move(source);
}

void QuoteRefresh::FollowSettings() {
    const QuoteRefreshSettings reglages = FSettings();
    // A period of zero minutes or less would make the timer fire without pause.
    if (!reglages.automatique || reglages.minutes <= 0) {
        Timer1->stop();
        return;
    }
    const std::int64_t ms = static_cast<std::int64_t>(reglages.minutes) * 60000;
    Timer1->setInterval(static_cast<int>(std::min<std::int64_t>(ms, INT_MAX)));
    Timer1->start();
}

void QuoteRefresh::Misejourcomplte1Click() {
    UpdateCours(nullptr, false, std::nullopt);
}

void QuoteRefresh::Timer1Timer() {
    if (FRefreshing)
        return; // the walk under way is this tick's refresh; the next tick comes in time
    // A dialog may be editing what the refresh replaces (a history, a security): the tick
    // waits for it to close.
    if (QGuiApplication::modalWindow() != nullptr) {
        FRefreshRetry->start();
        return;
    }
    Misejourcomplte1Click();
}

void QuoteRefresh::UpdateCours(Valeurs* only, bool forced, std::optional<AskKind> depth) {
    if (FRefreshing || FDocument() == nullptr)
        return;
    QuoteRefreshReport report;
    FRefreshing = true;
    FArret = false;
    FReport = &report;
    try {
        SetProgress(0);
        emit Started();
        RefreshWalk(only, forced, depth, report);
    } catch (...) {
        report.NoteError();
    }
    FReport = nullptr;
    try {
        SetProgress(0);
        emit RequestState(QString());
    } catch (...) {
        report.NoteError();
    }
    FRefreshing = false;
    emit Ended(report);
}

void QuoteRefresh::StopOnError() {
    FArret = true;
    if (FReport != nullptr)
        FReport->NoteError();
}

void QuoteRefresh::SetProgress(std::int32_t percent) {
    FProgress = percent;
    emit ProgressChanged(FProgress);
}

void QuoteRefresh::RefreshWalk(Valeurs* only, bool forced, std::optional<AskKind> depth,
                               QuoteRefreshReport& report) {
    TCorv* const doc = FDocument();
    const QuoteRefreshSettings reglages = FSettings();
    const std::int32_t site = reglages.site;
    if (!depth)
        depth = reglages.profondeur;

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
    for (const std::string& code : codes) {
        if (FArret || FDocument() != doc)
            break;
        Valeurs* titre = doc->FindTitre(code);
        if (titre == nullptr)
            continue; // removed while an earlier request waited
        // A code that does not fit the request is never cut down to another security's.
        const bool codeValide = CopyField(ask.Code, code);
        ask.Site = site;
        for (const AskKind kind : {AskKind::Quote, AskKind::Intraday, AskKind::History}) {
            ask.Type = kind;
            SetProgress(platform::Saturate32(static_cast<std::int64_t>(FProgress) + pas));
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
            FTitreCode = code;
            if (!FetchCours(ask) || FDocument() != doc) {
                FArret = true;
                break;
            }
            titre = doc->FindTitre(code);
            if (titre == nullptr)
                break;
            if (kind == AskKind::Quote) {
                TCorv::CoursApplique applique;
                const bool journalisee = CheckKeepingUnlogged(
                    *doc,
                    [&] {
                        applique = doc->ApplyCours(titre, ask.Infos);
                        return applique.alarme;
                    },
                    report.alarmesNonJournalisees);
                if (applique.refus)
                    report.refus << QString::fromStdString(applique.refus.Texte()) +
                                        QString(" Le cours reçu n'a pas été pris : le titre "
                                                "garde son dernier cours.");
                if (journalisee) {
                    doc->SignaleAlarme();
                    emit AlarmFired(QString::fromStdString(code));
                }
            } else if (kind == AskKind::History && doc->TitreHisto == titre) {
                if (!doc->SaveHistoFile())
                    report.nonEnregistres.push_back(doc->HistoFilePath(titre));
            }
        }
        if (FDocument() == doc)
            emit TitreRefreshed(QString::fromStdString(code));
    }
}

bool QuoteRefresh::FetchCours(AskWeb& ask) {
    FConnected = false;
    {
        // Taken anew for each request, so that a change in the options applies at once.
        const QuoteRefreshSettings reglages = FSettings();
        Http->TimeOut = reglages.delaiHttp;
        Http->Proxy = reglages.proxy;
        Http->ProxyPort = reglages.proxy.isEmpty() ? 0 : reglages.proxyPort;
    }
    const std::string code(ask.Code, strnlen(ask.Code, sizeof ask.Code));
    // The code as the request's Tag: an integer, as the status texts show it ("012345" gives
    // 12345). Anything else is an error that ends the walk.
    Http->Tag = platform::ReadWholeNumber(code);
    const QString valeur = "Valeur: " + QString::fromStdString(code);
    emit RequestState(valeur + " Connexion en cours ...");

    const QString url = QString::fromLatin1(ask.Formule, strnlen(ask.Formule, sizeof ask.Formule));
    try {
        Http->Get(url);
    } catch (const HttpError& erreur) {
        // The failure is the answer: the walk stops. One that the user can act on is told
        // after the walk, else the refresh would look like one that succeeded.
        FConnected = false;
        if (FReport != nullptr && erreur.Why() == HttpError::Cause::Unreachable)
            FReport->injoignable = Unreachable(*Http, QUrl(url));
        if (FReport != nullptr && erreur.Why() == HttpError::Cause::TooLarge)
            FReport->refus << QString("Pour %1, %2 a envoyé une réponse de plus de %3 Mo : elle "
                                      "n'a pas été lue, et la mise à jour des cours s'est "
                                      "arrêtée.")
                                  .arg(NommeTitre(FTitreCode), SiteOf(QUrl(url)))
                                  .arg(HttpClient::kMaxBody >> 20);
    }
    if (!FConnected) {
        emit RequestState(QString());
        return false;
    }
    emit RequestState(valeur + QString(" Mise à jour des informations..."));

    // The library writes into the page while it reads it, and a history parser keeps reading
    // it until its last record: the page, taken from the client without a copy, lives until
    // then.
    QByteArray page = Http->TakeBody();
    const QString illisible = QString("La page envoyée par %1 pour %2 n'a pas pu être lue")
                                  .arg(SiteOf(QUrl(url)), NommeTitre(FTitreCode));
    // What the library says of a page names neither the security nor the site.
    const auto lisant = [&illisible](auto&& lecture) {
        try {
            return lecture();
        } catch (const std::exception& erreur) {
            throw std::runtime_error((illisible + " : " + erreur.what()).toStdString());
        }
    };
    const bool lu = lisant([&] { return AnalyseRep(&ask, page.data()); });
    if (!lu && FReport != nullptr)
        FReport->refus << illisible + QString(" : la mise à jour des cours s'est arrêtée.");
    if (lu && ask.Type == AskKind::History) {
        // While the page came, the window may have shown another security, whose history
        // then took the table: the walked security's comes back before its days go in.
        TCorv* const doc = FDocument();
        Valeurs* titre = doc != nullptr ? doc->FindTitre(FTitreCode) : nullptr;
        if (titre != nullptr && doc->TitreHisto != titre)
            doc->LoadHistoFile(titre);
        const bool garder = titre != nullptr && doc->TitreHisto == titre;
        bool fin = false;
        do {
            InfosCours jour{};
            fin = lisant([&] { return GetNextRep(&jour); });
            if (!fin && garder)
                doc->AddHistoPoint(jour);
        } while (!fin);
    }
    return lu;
}

QString QuoteRefresh::NommeTitre(const std::string& code) const {
    const TCorv* const doc = FDocument();
    const Valeurs* const titre = doc != nullptr ? doc->FindTitre(code) : nullptr;
    if (titre == nullptr)
        return QString("la valeur %1").arg(QString::fromStdString(code));
    return QString("« %1 » (%2)")
        .arg(QString::fromStdString(titre->Libelle), QString::fromStdString(code));
}

void QuoteRefresh::HttpConnect() {
    FConnected = true;
    emit RequestState("Valeur: " + QString::number(Http->Tag) + QString(" connecté..."));
}

void QuoteRefresh::HttpPacketRecvd() {
    if (!FConnected)
        return;
    emit RequestState("Valeur: " + QString::number(Http->Tag) + " - " +
                      QString::number(Http->BytesRecvd()) + QString(" octets reçus"));
}

void QuoteRefresh::HttpFailure() {
    FConnected = false;
}
