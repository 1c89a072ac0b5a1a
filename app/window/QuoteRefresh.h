#pragma once

// The quote refresh: the walk over the securities that fetches, for each one, its quote, its
// intraday points and its history from the quote site chosen in the options, through the
// quote-page library and one HTTP client; and the periodic full refresh.
//
// It knows no widget: its host gives it the document and its settings, and it tells by
// signals what happens (RefreshPanel shows it in the window).

#include "window/UnloggedAlarms.h"

#include "quotescan/AskWeb.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QTimer;

class HttpClient;
class TCorv;
struct Valeurs;

// What a walk needs of the options, as the host reads them at each walk and each request: a
// change in the options applies to the next request.
struct QuoteRefreshSettings {
    std::int32_t site = 1;                 // index of the quote site in the sites list
    AskKind profondeur = AskKind::History; // the deepest kind a full refresh asks for
    bool automatique = false;              // the full refresh runs every `minutes`
    std::int32_t minutes = 10;             // period of the timed refresh
    QString proxy;                         // host of the HTTP proxy; empty: none
    int proxyPort = 0;                     // its port
    int delaiHttp = 40000;                 // milliseconds a request may take
};

// What a walk has to tell the user once it is over, all of it in one message: an error that
// ends the walk must not hide a history that could not be saved before it.
struct QuoteRefreshReport {
    QString injoignable; // the site or proxy the walk could not connect to; empty if none
    // What was fetched and not taken (an answer too large, a quote the document could not
    // hold), each naming its security and why.
    QStringList refus;
    std::vector<std::string> nonEnregistres; // history files it could not write
    UnloggedAlarms alarmesNonJournalisees;   // fired alarms that no log took
    QStringList erreurs;                     // what ended the walk, and what followed it

    // Adds the error being handled; called from inside a catch block.
    void NoteError();
    // The problems (unreachable site, refusals, unsaved histories, errors), one paragraph
    // each; empty when there are none. The fired alarms are told on their own.
    QString Text() const;
};

class QuoteRefresh : public QObject {
    Q_OBJECT

public:
    // document: the open document, or null; asked again after every wait, since the host may
    // replace it meanwhile.
    explicit QuoteRefresh(std::function<TCorv*()> document, QObject* parent = nullptr);
    ~QuoteRefresh() override;

    // Where the walk takes its settings from, each time it needs them.
    void SetSettings(std::function<QuoteRefreshSettings()> source);
    // Starts or stops the timed refresh as the settings say.
    void FollowSettings();

    // Asks each security for the kinds up to depth; without one, up to the kind the options set.
    // One walk at a time: a call that comes while a request of another walk waits is refused.
    void UpdateCours(Valeurs* only, bool forced, std::optional<AskKind> depth);
    bool FetchCours(AskWeb& ask);
    // The full refresh up to the kind the options set, which Timer1 also runs.
    void Misejourcomplte1Click();
    void Timer1Timer();
    void HttpConnect();
    void HttpPacketRecvd();
    void HttpFailure();
    // Called by a slot of TitreRefreshed from inside its catch block: the error ends the walk
    // and is told in its report.
    void StopOnError();

    bool Refreshing() const { return FRefreshing; }
    std::int32_t Progress() const { return FProgress; }
    // The periodic full refresh; its interval and start follow the settings.
    QTimer* RefreshTimer() const { return Timer1; }

signals:
    void Started();
    // Percent of the walk done, 0 again once it is over; shown at once, the walk keeps the
    // thread busy between two requests.
    void ProgressChanged(int percent);
    // The state of the current request, for the status line; empty between requests.
    void RequestState(const QString& text);
    // The walk is done with a security, refreshed or passed over: the visible page shows the
    // new values at once.
    void TitreRefreshed(const QString& code);
    // A new quote fired an alarm of the security and the log took it; the document's
    // pending-alarm flag is set.
    void AlarmFired(const QString& code);
    // The walk is over: the progress, the request state and Refreshing() are idle again.
    void Ended(const QuoteRefreshReport& report);

private:
    void SetProgress(std::int32_t percent);
    // The security named in a message: its label and code.
    QString NommeTitre(const std::string& code) const;
    // Adds to the report what it could not do; what it added stays there when an error ends
    // the walk.
    void RefreshWalk(Valeurs* only, bool forced, std::optional<AskKind> depth,
                     QuoteRefreshReport& report);

    const std::function<TCorv*()> FDocument;
    std::function<QuoteRefreshSettings()> FSettings;
    HttpClient* Http = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* FRefreshRetry = nullptr; // a timed refresh waiting for a modal dialog to close
    std::int32_t FProgress = 0;      // percent of the walk done, 0 when idle
    bool FConnected = false;
    bool FRefreshing = false;
    bool FArret = false;                   // the walk under way is to stop
    QuoteRefreshReport* FReport = nullptr; // the report of the walk under way
    std::string FTitreCode; // the security whose page the walk's current request brings
};
